#include "monitor/DailyRecorder.h"

#include "config/EmbeddedFiles.h"
#include "storage/CSpreadSheet.h"

#include <QDir>
#include <QFileInfo>

namespace veltroma {

namespace {

// The first data row of a day sheet: row 1 is empty, row 2 holds the column titles.
constexpr long kFirstDataRow = 3;

} // namespace

bool LoadDataExecute(const RecordPaths& paths)
{
    if (QFileInfo::exists(paths.sWriteExcelPath))
        return true;
    QDir().mkdir(paths.DataRecordDir1);
    QDir().mkdir(paths.DataRecordDir2);
    return MakeResource(kRecordTemplateFileId, paths.sWriteExcelPath);
}

void DailyRecorder::record(const InverterModel& snapshot)
{
    if (!snapshot.realtimeDecoded)
        return;
    if (snapshot.paths.sWriteExcelPath != sWriteExcelPathOld_)
        writeCover(snapshot);
    else
        writeRow(snapshot);
}

void DailyRecorder::writeCover(const InverterModel& snapshot)
{
    const RecordPaths& paths = snapshot.paths;
    LoadDataExecute(paths);
    CSpreadSheet cover(paths.sWriteExcelPath, QStringLiteral("Cover"), false);
    // Each value is saved as it is written, so a failure keeps the cells written before it.
    cover.AddCell(snapshot.sSerialNums[bInverterAdrNow], QStringLiteral("D"), 36);
    cover.AddCell(snapshot.sModelname[bInverterAdrNow], QStringLiteral("D"), 37);
    cover.AddCell(snapshot.sVer[bInverterAdrNow], QStringLiteral("D"), 38);
    cover.AddCell(paths.sExcelFileName, QStringLiteral("D"), 39);
    sWriteExcelPathOld_ = paths.sWriteExcelPath;
}

void DailyRecorder::writeRow(const InverterModel& snapshot)
{
    // A month file removed while recording comes back from the template, not as a bare sheet.
    LoadDataExecute(snapshot.paths);
    CSpreadSheet day(snapshot.paths.sWriteExcelPath, snapshot.paths.sExcelShellName, false);
    day.AddRow(snapshot.NewRow, kFirstDataRow);
}

} // namespace veltroma
