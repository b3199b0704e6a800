#include "Night.h"

#include "PlantModel.h"

#include <cmath>

namespace veltroma::sim {

bool asleepAt(NightMode mode, double simulatedSeconds)
{
    switch (mode) {
    case NightMode::Never:
        return false;
    case NightMode::Dark:
        return true;
    case NightMode::WithTheSun:
        break;
    }
    const double ofDay =
        simulatedSeconds - std::floor(simulatedSeconds / kSecondsPerDay) * kSecondsPerDay;
    return sunShare(ofDay) <= 0.0;
}

} // namespace veltroma::sim
