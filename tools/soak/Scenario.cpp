#include "Scenario.h"

#include <algorithm>

namespace veltroma::soak {

namespace {

constexpr double kHour = 3600.0;

// Each kind at its own hour of daylight, so that two faults never overlap and each one
// meets a working link and a sun that is up.
struct Timing {
    FaultKind kind;
    double atSeconds;
    double seconds;
};
constexpr Timing kReplug{FaultKind::Replug, 9 * kHour, 90};
constexpr Timing kSilent{FaultKind::SilentLink, 10 * kHour, 2 * kHour};
// Between two saves: the recording timer keeps its 180 s phase, so the minute is odd.
constexpr Timing kDamage{FaultKind::DamagedFile, 12 * kHour + 31 * 60 + 7, 0};
constexpr Timing kDiskFull{FaultKind::DiskFull, 13 * kHour, kHour};
constexpr Timing kGarble{FaultKind::Garble, 15 * kHour, kHour};
// The program is down for a minute.
constexpr Timing kRestart{FaultKind::Restart, 16 * kHour + 30 * 60, 60};

void repeat(std::vector<Fault>& out, Timing timing, int first, int every, int days)
{
    for (int day = first; day < days; day += every) {
        out.push_back({timing.kind, day, timing.atSeconds, timing.seconds});
        if (every <= 0)
            break;
    }
}

} // namespace

QString faultName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Replug: return QStringLiteral("replug");
    case FaultKind::SilentLink: return QStringLiteral("silent link");
    case FaultKind::Garble: return QStringLiteral("garbled line");
    case FaultKind::DiskFull: return QStringLiteral("disk full");
    case FaultKind::DamagedFile: return QStringLiteral("damaged month file");
    case FaultKind::Restart: return QStringLiteral("program restart");
    }
    return {};
}

std::vector<Fault> plannedFaults(const Schedule& schedule, int days)
{
    std::vector<Fault> faults;
    repeat(faults, kReplug, schedule.replugFirst, schedule.replugEvery, days);
    repeat(faults, kSilent, schedule.silentFirst, schedule.silentEvery, days);
    repeat(faults, kDiskFull, schedule.diskFullFirst, schedule.diskFullEvery, days);
    repeat(faults, kDamage, schedule.damageDay, 0, days);
    repeat(faults, kGarble, schedule.garbleFirst, schedule.garbleEvery, days);
    repeat(faults, kRestart, schedule.restartFirst, schedule.restartEvery, days);
    std::ranges::sort(faults, [](const Fault& a, const Fault& b) {
        return a.day * 86400.0 + a.atSeconds < b.day * 86400.0 + b.atSeconds;
    });
    return faults;
}

} // namespace veltroma::soak
