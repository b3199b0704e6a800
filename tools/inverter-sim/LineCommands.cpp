#include "LineCommands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace veltroma::sim {

namespace {

constexpr double kLongestReplugSeconds = 3600.0;
constexpr std::array<std::string_view, 3> kLineCommands{"echo", "replug", "quit"};

LineCommandOutcome failed(std::string message)
{
    return LineCommandOutcome{false, std::move(message), false};
}

std::string firstWord(std::string_view line)
{
    std::istringstream words{std::string(line)};
    std::string name;
    words >> name;
    return name;
}

} // namespace

bool isLineCommand(std::string_view line)
{
    return std::ranges::find(kLineCommands, firstWord(line)) != kLineCommands.end();
}

std::optional<LineCommandOutcome> runLineCommand(std::string_view line, LineSettings& target)
{
    if (!isLineCommand(line))
        return std::nullopt;
    std::istringstream words{std::string(line)};
    std::string name;
    std::string value;
    std::string extra;
    words >> name >> value;
    if (name == "quit") {
        if (!value.empty())
            return failed("expected: quit alone");
        return LineCommandOutcome{true, {}, true};
    }
    if (value.empty() || (words >> extra))
        return failed("expected: " + name + " and one value");

    if (name == "echo") {
        if (value != "on" && value != "off")
            return failed("expected on or off");
        target.echo = value == "on";
        return LineCommandOutcome{true, {}, false};
    }
    char* end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (*end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > kLongestReplugSeconds)
        return failed("expected a pause of 0 to 3600 seconds");
    target.replugAfterSeconds = seconds;
    return LineCommandOutcome{true, {}, false};
}

} // namespace veltroma::sim
