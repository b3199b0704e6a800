#pragma once

#include "monitor/InverterModel.h"
#include "monitor/RecordPaths.h"
#include "monitor/Recorder.h"

#include <QString>

namespace veltroma {

// Creates the month file from the record template when it is missing: the folders
// Data and Data/Inverter<slot> first, then the template. An existing file is not touched.
// False when the file is still missing afterwards.
bool LoadDataExecute(const RecordPaths& paths);

// Writes one record event into the month files. The first event for a month file (at start
// and after a change of month) fills in the cover and writes no row; every later event
// inserts the row at the top of the day's sheet, newest first, saved at once. Failures are
// quiet: the file stays as it was and the next event tries again.
class DailyRecorder final : public Recorder {
public:
    void record(const InverterModel& snapshot) override;

    // The month file whose cover was written last; empty before the first event.
    [[nodiscard]] const QString& writeExcelPathOld() const { return sWriteExcelPathOld_; }

private:
    void writeCover(const InverterModel& snapshot);
    static void writeRow(const InverterModel& snapshot);

    QString sWriteExcelPathOld_;
};

} // namespace veltroma
