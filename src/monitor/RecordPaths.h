#pragma once

#include <QDateTime>
#include <QString>

namespace veltroma {

// Where and under which time the next record row goes: one workbook per month under
// Data/Inverter<slot>/, one sheet per day, the time of day in column A.
struct RecordPaths {
    QString DataRecordDir1;   // program folder + "Data"
    QString DataRecordDir2;   // DataRecordDir1 + "/Inverter<slot>/"
    QString sExcelFileName;   // "2011-5": year and month, no leading zero
    QString sExcelShellName;  // "7": day of the month
    QString sExcelColumA;     // "9:5:3": time of day, no leading zeros
    QString sWriteExcelPath;  // DataRecordDir2 + sExcelFileName + ".xls"
    QDateTime recordedAt;     // the local time all of the above were taken from

    bool operator==(const RecordPaths&) const = default;
};

// The record paths for a reply processed at local time `now`. `programFolder` ends with "/".
[[nodiscard]] RecordPaths LoadDataSet(const QString& programFolder, const QDateTime& now, int slot);

} // namespace veltroma
