#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace veltroma::soak {

enum class FaultKind { Replug, SilentLink, Garble, DiskFull, DamagedFile, Restart };

[[nodiscard]] QString faultName(FaultKind kind);

// One fault of the run: what, on which day (0 = the first) and when, in seconds after the
// day's midnight of standard time, for how long.
struct Fault {
    FaultKind kind;
    int day = 0;
    double atSeconds = 0;
    double seconds = 0;
};

// How often each fault comes. A kind comes first on its `first` day, then every `every`
// days; the damaged file comes once. The first days are early, so that a one-week run
// meets every kind.
struct Schedule {
    int replugFirst = 1, replugEvery = 7;
    int silentFirst = 2, silentEvery = 30;
    int diskFullFirst = 3, diskFullEvery = 30;
    int damageDay = 4;
    int garbleFirst = 5, garbleEvery = 30;
    int restartFirst = 6, restartEvery = 30;
};

// The faults of `days` days, in time order.
[[nodiscard]] std::vector<Fault> plannedFaults(const Schedule& schedule, int days);

} // namespace veltroma::soak
