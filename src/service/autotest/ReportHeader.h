#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace veltroma {

// The start time of a test: the year, then month, day, hour, minute and second each
// right-aligned in two characters, with their units, e.g. "2011年 3月 5日  9时 7分 2秒".
[[nodiscard]] QString soetime(const QDateTime& when);

// The pieces of the report header written when the communication test starts, in the order
// they are inserted; lines end with "\r\n".
[[nodiscard]] QStringList reportHeaderPieces(const QString& testBar, const QString& testName,
                                             const QString& timeStr);

} // namespace veltroma
