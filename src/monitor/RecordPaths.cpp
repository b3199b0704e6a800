#include "monitor/RecordPaths.h"

namespace veltroma {

RecordPaths LoadDataSet(const QString& programFolder, const QDateTime& now, int slot)
{
    const QDate date = now.date();
    const QTime time = now.time();
    RecordPaths paths;
    paths.DataRecordDir1 = programFolder + QStringLiteral("Data");
    paths.DataRecordDir2 = paths.DataRecordDir1 + QStringLiteral("/Inverter%1/").arg(slot);
    paths.sExcelFileName = QStringLiteral("%1-%2").arg(date.year()).arg(date.month());
    paths.sExcelShellName = QString::number(date.day());
    paths.sExcelColumA =
        QStringLiteral("%1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second());
    paths.sWriteExcelPath = paths.DataRecordDir2 + paths.sExcelFileName + QStringLiteral(".xls");
    paths.recordedAt = now;
    return paths;
}

} // namespace veltroma
