#pragma once

#include "monitor/Quantity.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace veltroma {

// The newest row one inverter has recorded, with the cover of the month file it is in.
struct LatestRecord {
    QDateTime recordedAt; // local date and time; midnight when column A reads as no time
    // The nine quantities as recorded, by Quantity; empty for a cell the row lacks.
    std::array<QString, kQuantityCount> values;
    QString state;  // the state text; empty when the row has none
    QString serial; // the cover's serial number, model and software version
    QString model;
    QString firmware;
    QString file; // the month file it was read from

    [[nodiscard]] const QString& value(Quantity q) const
    {
        return values[static_cast<std::size_t>(index(q))];
    }
};

struct LatestRecordSearch {
    std::optional<LatestRecord> record; // none when no month file holds a row
    QStringList problems; // for each month file that could not be read: why, naming it
};

// Finds the newest row in the month files of one inverter's folder (Data/Inverter<k>/): the
// files named like 2026-5.xls, newest month first, none after the month of `today`; in each,
// the day sheets from `today` (in today's month) or 31 down to 1; on a sheet, the first row
// with text from row 3 on, where the recorder inserts every new row. A file that cannot be
// read is named in `problems` and the search goes on with the month before.
//
// Reads only. Each file is read once, whole: the recorder replaces a month file in one step,
// so the search sees it either before or after a save, never half of one. Any thread.
[[nodiscard]] LatestRecordSearch findLatestRecord(const QString& inverterFolder,
                                                  const QDate& today);

} // namespace veltroma
