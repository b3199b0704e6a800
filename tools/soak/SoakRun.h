#pragma once

#include "RowLedger.h"
#include "Scenario.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace veltroma::soak {

struct SoakOptions {
    int days = 7;
    QDate start{2027, 1, 1};
    QString timeZone = QStringLiteral("Europe/Berlin");
    QString outFolder;
    std::uint32_t seed = 1;
    Schedule schedule = {};
    // Inverters on the bus, 1..6: unit k of the simulator in slot k.
    int inverters = 1;
};

// The rows of one inverter's folder.
struct InverterFigures {
    QString serial;
    Comparison rows;
    std::vector<int> writtenPerDay;
    std::vector<int> destroyedPerDay;
    // With several inverters: times the slot was lost on its own, and given its address.
    int slotLosses = 0;
    int assignments = 0;
};

struct SoakResult {
    Comparison rows;
    // Rows that were in the month file when the scenario damaged it: gone by the scenario's
    // hand, not the program's, so they are neither expected nor lost.
    long long destroyedByDamage = 0;
    QStringList unreadableFiles;
    std::uint64_t reRegistrations = 0;
    std::uint64_t reopens = 0;
    int lossesReported = 0;
    int recordingFailuresReported = 0;
    int restarts = 0;
    double wallSeconds = 0;
    double processorSeconds = 0;
    // Every record event of the day, the damaged file's rows among them.
    std::vector<int> expectedPerDay;
    std::vector<int> writtenPerDay;
    std::vector<int> destroyedPerDay;
    std::vector<Fault> faults;
    // Slot k's figures at k - 1.
    std::vector<InverterFigures> inverters;

    [[nodiscard]] bool passed() const
    {
        return rows.lost == 0 && rows.invented == 0 && rows.duplicated == 0;
    }
};

// Runs the real engine, recorder and month files (in `outFolder`) through `days` simulated
// days on the virtual clock, with the inverters sleeping from sunset to sunrise (each a few
// minutes after the one before) and the faults of the schedule, then compares every month
// file with the rows the engine asked for.
[[nodiscard]] SoakResult runSoak(const SoakOptions& options);

// The summary table, one line a figure.
[[nodiscard]] QString summaryTable(const SoakOptions& options, const SoakResult& result);

} // namespace veltroma::soak
