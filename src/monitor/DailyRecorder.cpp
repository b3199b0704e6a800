#include "monitor/DailyRecorder.h"

#include "config/EmbeddedFiles.h"
#include "monitor/MonthFile.h"
#include "storage/CSpreadSheet.h"

#include <QDir>
#include <QFileInfo>

namespace veltroma {

namespace {

// The first data row of a day sheet: row 1 is empty, row 2 holds the column titles.
constexpr long kFirstDataRow = 3;

bool fail(RecordingState& state, const QString& file, const QString& reason)
{
    state.failing = true;
    state.failedFile = file;
    state.reason = reason.trimmed();
    return false;
}

} // namespace

bool LoadDataExecute(const RecordPaths& paths)
{
    if (QFileInfo::exists(paths.sWriteExcelPath))
        return true;
    QDir().mkdir(paths.DataRecordDir1);
    QDir().mkdir(paths.DataRecordDir2);
    return MakeResource(kRecordTemplateFileId, paths.sWriteExcelPath);
}

DailyRecorder::DailyRecorder(WallClock now) : now_(std::move(now)) {}

RecordingState DailyRecorder::record(const InverterModel& snapshot)
{
    RecordingState state;
    if (!snapshot.realtimeDecoded)
        return state;
    backlog_.push({snapshot.paths,
                   snapshot.NewRow,
                   {snapshot.sSerialNums[bInverterAdrNow], snapshot.sModelname[bInverterAdrNow],
                    snapshot.sVer[bInverterAdrNow]}});
    if (const std::size_t dropped = backlog_.takeDropped(); dropped > 0)
        state.notices.push_back(
            {RecordingNotice::Kind::BacklogFull, snapshot.paths.sWriteExcelPath, QString::number(dropped)});
    // Oldest file first; a file that fails keeps its rows, the others are still written.
    for (const QString& file : backlog_.files())
        writeFile(file, state);
    state.keptRows = static_cast<int>(backlog_.size());
    state.lastRowAt = lastRowAt_;
    return state;
}

bool DailyRecorder::writeFile(const QString& file, RecordingState& state)
{
    const auto sheets = backlog_.sheetsOf(file);
    const PendingRow& newest = sheets.back().back();
    PreparedMonthFile prepared = prepareMonthFile(newest.paths, now_());
    state.notices.insert(state.notices.end(), prepared.notices.begin(), prepared.notices.end());
    if (prepared.error)
        return fail(state, file, *prepared.error);
    warnAboutOfficeLock(file, state);
    if ((file != sWriteExcelPathOld_ || prepared.created) && !writeCover(newest, state))
        return false;
    for (const auto& rows : sheets) {
        const QString& sheet = rows.front().paths.sExcelShellName;
        CSpreadSheet day(file, sheet, false);
        // One save per sheet for all of its waiting rows, oldest first so the newest ends on top.
        day.BeginTransaction();
        for (const PendingRow& row : rows) {
            if (!day.AddRow(row.row, kFirstDataRow))
                return fail(state, file, day.GetLastError());
        }
        if (!day.Commit())
            return fail(state, file, day.GetLastError());
        for (const PendingRow& row : rows)
            lastRowAt_ = row.paths.recordedAt;
        backlog_.remove(file, sheet);
    }
    return true;
}

bool DailyRecorder::writeCover(const PendingRow& row, RecordingState& state)
{
    const QString& file = row.paths.sWriteExcelPath;
    CSpreadSheet cover(file, QStringLiteral("Cover"), false);
    cover.BeginTransaction();
    const bool added = cover.AddCell(row.cover.serial, QStringLiteral("D"), 36) &&
                       cover.AddCell(row.cover.model, QStringLiteral("D"), 37) &&
                       cover.AddCell(row.cover.version, QStringLiteral("D"), 38) &&
                       cover.AddCell(row.paths.sExcelFileName, QStringLiteral("D"), 39);
    if (!added || !cover.Commit()) {
        // Tried again with the next row of this file.
        sWriteExcelPathOld_.clear();
        return fail(state, file, cover.GetLastError());
    }
    sWriteExcelPathOld_ = file;
    return true;
}

void DailyRecorder::warnAboutOfficeLock(const QString& file, RecordingState& state)
{
    const QString lock = officeLockFile(file);
    if (lock.isEmpty()) {
        // Closed in the office program: a later opening is warned about again.
        lockWarned_.remove(file);
        return;
    }
    if (lockWarned_.contains(file))
        return;
    lockWarned_.insert(file);
    state.notices.push_back({RecordingNotice::Kind::OfficeLock, file, lock});
}

} // namespace veltroma
