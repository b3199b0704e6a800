#include "monitor/DailyRecorder.h"

#include "base/PrivateFiles.h"
#include "config/EmbeddedFiles.h"
#include "monitor/MonthFile.h"
#include "storage/RowBatch.h"

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
    makePrivateFolder(paths.DataRecordDir2);
    return MakeResource(kRecordTemplateFileId, paths.sWriteExcelPath);
}

DailyRecorder::DailyRecorder(WallClock now) : now_(std::move(now)) {}

RecordingState DailyRecorder::record(const InverterModel& snapshot)
{
    RecordingState state;
    if (!snapshot.realtimeDecoded || !isSlot(snapshot.recordSlot))
        return state;
    backlog_.push({snapshot.paths,
                   snapshot.NewRow,
                   {snapshot.sSerialNums[snapshot.recordSlot], snapshot.sModelname[snapshot.recordSlot],
                    snapshot.sVer[snapshot.recordSlot]}});
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
    const std::vector<PendingRow> rows = backlog_.rowsOf(file);
    const PendingRow& newest = rows.back();
    PreparedMonthFile prepared = prepareMonthFile(newest.paths, now_());
    state.notices.insert(state.notices.end(), prepared.notices.begin(), prepared.notices.end());
    if (prepared.error)
        return fail(state, file, *prepared.error);
    warnAboutOfficeLock(file, state);
    if ((!coveredFiles_.contains(file) || prepared.created) && !writeCover(newest, state))
        return false;
    // Every waiting row of the file in one save, oldest first so the newest ends on top.
    std::vector<SheetRow> sheetRows;
    sheetRows.reserve(rows.size());
    for (const PendingRow& row : rows)
        sheetRows.push_back({row.paths.sExcelShellName, row.row});
    if (const auto error = insertRowsAt(file, sheetRows, kFirstDataRow))
        return fail(state, file, *error);
    lastRowAt_ = newest.paths.recordedAt;
    backlog_.remove(file);
    return true;
}

bool DailyRecorder::writeCover(const PendingRow& row, RecordingState& state)
{
    const QString& file = row.paths.sWriteExcelPath;
    if (const auto error = writeCoverTexts(
            file, {row.cover.serial, row.cover.model, row.cover.version, row.paths.sExcelFileName})) {
        // Tried again with the next row of this file.
        coveredFiles_.remove(file);
        return fail(state, file, *error);
    }
    coveredFiles_.insert(file);
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
