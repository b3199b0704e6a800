#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace veltroma {

// A number stored by another program, as the text the spreadsheet layer hands out: at most
// fifteen significant digits, as spreadsheet programs show them, so that 230.1 stored as
// 230.09999999999999 reads "230.1" and whole numbers carry no decimals.
[[nodiscard]] QString numberText(double value);

// The number a cell text holds in the C locale ("230.4", "-3", "1e3", spaces around
// allowed), or nothing when it holds anything else. Much faster than QString::toDouble,
// which matters when a month of cells is read for plotting.
[[nodiscard]] std::optional<double> parseNumber(QStringView text);

} // namespace veltroma
