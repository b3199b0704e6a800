#pragma once

#include "monitor/InverterModel.h"
#include "monitor/RecordPaths.h"
#include "monitor/Recorder.h"
#include "monitor/RowBacklog.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <functional>

namespace veltroma {

// Creates the month file from the record template when it is missing: the folders
// Data and Data/Inverter<slot> first, then the template. An existing file is not touched.
// False when the file is still missing afterwards.
bool LoadDataExecute(const RecordPaths& paths);

// Writes one record event (the row of one inverter, `recordSlot`) into the month files.
// Every event inserts the row at the top of its own day's sheet, newest first; the first event for a month file (at start and after a
// change of month) fills in the cover as well. A row goes to the file and sheet of the reply
// it was built from, whenever it is written.
//
// A row that cannot be saved is kept in memory with its file and sheet (up to seven days of
// rows) and written, in its order, at the next event that saves. An unreadable month file
// is kept aside and replaced (see prepareMonthFile). Every event returns the state of
// recording for the form and the logger.
class DailyRecorder final : public Recorder {
public:
    using WallClock = std::function<QDateTime()>;

    // `now` names kept-aside files; tests give it virtual time.
    explicit DailyRecorder(WallClock now = [] { return QDateTime::currentDateTime(); });

    RecordingState record(const InverterModel& snapshot) override;

    // The month file whose cover was written last; empty before the first event.
    [[nodiscard]] const QString& writeExcelPathOld() const { return sWriteExcelPathOld_; }
    [[nodiscard]] std::size_t keptRows() const { return backlog_.size(); }

private:
    // Writes the waiting rows of one file; false with `state` telling why it stopped.
    bool writeFile(const QString& file, RecordingState& state);
    bool writeCover(const PendingRow& row, RecordingState& state);
    void warnAboutOfficeLock(const QString& file, RecordingState& state);

    WallClock now_;
    RowBacklog backlog_;
    QString sWriteExcelPathOld_;
    // The month files whose cover this recorder has written: each inverter's file gets its
    // cover with its first row, however the rows of several inverters alternate.
    QSet<QString> coveredFiles_;
    QDateTime lastRowAt_;
    QSet<QString> lockWarned_;
};

} // namespace veltroma
