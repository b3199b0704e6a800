#include "LineCommands.h"

#include "PlantModel.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace veltroma::sim {

namespace {

constexpr double kLongestReplugSeconds = 3600.0;

LineCommandOutcome failed(std::string message)
{
    return LineCommandOutcome{false, std::move(message)};
}

} // namespace

bool LineSettings::asleepAt(double simulatedSeconds) const
{
    switch (night) {
    case NightMode::Never:
        return false;
    case NightMode::Dark:
        return true;
    case NightMode::WithTheSun:
        break;
    }
    const double ofDay = simulatedSeconds - std::floor(simulatedSeconds / kSecondsPerDay) * kSecondsPerDay;
    return sunShare(ofDay) <= 0.0;
}

std::optional<LineCommandOutcome> runLineCommand(std::string_view line, LineSettings& target)
{
    std::istringstream words{std::string(line)};
    std::string name;
    std::string value;
    std::string extra;
    words >> name >> value;
    if (name != "night" && name != "echo" && name != "replug")
        return std::nullopt;
    if (value.empty() || (words >> extra))
        return failed("expected: " + name + " and one value");

    if (name == "night") {
        if (value == "on")
            target.night = NightMode::Dark;
        else if (value == "off")
            target.night = NightMode::Never;
        else if (value == "auto")
            target.night = NightMode::WithTheSun;
        else
            return failed("expected on, off or auto");
        return LineCommandOutcome{true, {}};
    }
    if (name == "echo") {
        if (value != "on" && value != "off")
            return failed("expected on or off");
        target.echo = value == "on";
        return LineCommandOutcome{true, {}};
    }
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > kLongestReplugSeconds)
        return failed("expected a pause of 0 to 3600 seconds");
    target.replugAfterSeconds = seconds;
    return LineCommandOutcome{true, {}};
}

} // namespace veltroma::sim
