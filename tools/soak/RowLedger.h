#pragma once

#include "monitor/InverterModel.h"
#include "monitor/Recorder.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>
#include <tuple>

namespace veltroma::soak {

// A recorded row as the check compares it: inverter folder and month file name, day sheet
// and the row's text. A row filed under another inverter's folder is another row.
struct RowKey {
    QString file;  // "Inverter2/2027-3.xls"
    QString sheet; // "14"
    QString text;  // the cells joined by tabs, trailing empty cells left out

    bool operator<(const RowKey& other) const
    {
        return std::tie(file, sheet, text) < std::tie(other.file, other.sheet, other.text);
    }
};

[[nodiscard]] RowKey rowKey(const QString& file, const QString& sheet, const QStringList& cells);

// The folder of slot k's month files: "Inverter<k>".
[[nodiscard]] QString inverterFolder(int slot);
// The slot whose folder a row's file lies in; 0 when the file names no inverter folder.
[[nodiscard]] int slotOfRow(const RowKey& key);

// Rows with how often each is there.
using RowCounts = std::map<RowKey, int>;

// The rows of one slot's folder.
[[nodiscard]] RowCounts rowsOfSlot(const RowCounts& rows, int slot);

// Stands between the engine and the real recorder and notes every record event the engine
// makes, which is every row the month files must hold in the end: in the folder of the slot
// the event is for, whatever folder its paths name.
class ExpectingRecorder final : public Recorder {
public:
    ExpectingRecorder(Recorder& inner, RowCounts& expected, std::mutex& mutex)
        : inner_(inner), expected_(expected), mutex_(mutex) {}

    RecordingState record(const InverterModel& snapshot) override;

private:
    Recorder& inner_;
    RowCounts& expected_;
    std::mutex& mutex_;
};

// Every row of the month files (named like 2027-3.xls) in every Inverter folder under
// `dataFolder`, read with the program's reader. A file that cannot be read adds its folder
// and name ("Inverter1/2027-3.xls") to `unreadable`.
[[nodiscard]] RowCounts rowsOnDisk(const QString& dataFolder, QStringList& unreadable);

// Every row of one month file, filed under its folder's name; nothing when it cannot be read.
[[nodiscard]] RowCounts rowsOfMonthFile(const QString& path, bool* readable = nullptr);

struct Comparison {
    long long expected = 0;
    long long written = 0;
    long long lost = 0;
    long long invented = 0;
    long long duplicated = 0;
};

[[nodiscard]] Comparison compareRows(const RowCounts& expected, const RowCounts& written);

} // namespace veltroma::soak
