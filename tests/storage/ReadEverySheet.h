#pragma once

#include <QString>

namespace veltroma::test {

struct SheetsRead {
    bool read = false;
    int sheets = 0;
    qint64 laidOut = 0; // cells the readers handed out, all sheets, both readers
    QString error;      // why the file was refused
};

// Reads `file` from disk as the program's readers do: loaded, then every sheet row by row
// through the spreadsheet layer (as CSV export does) and through the sheet reader (as
// history review does).
[[nodiscard]] SheetsRead readEverySheet(const QString& file);

} // namespace veltroma::test
