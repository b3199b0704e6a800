#pragma once

#include "Simulator.h"
#include "Unit.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace veltroma::sim {

struct SimOptions {
    std::string linkPath;
    std::string controlPath;
    std::string logPath;
    bool quiet = false;
    bool quitAtStdinEnd = false;
    double timeScale = 1.0;
    std::optional<double> startSeconds;  // time of day; none: the local time now
    unsigned seed = 1;                   // unit k's noise is seeded with seed + k - 1
    LineTiming timing;
    std::size_t unitCount = 1;
    // Unit k's settings at [k - 1]; only the first `unitCount` are used.
    std::array<UnitConfig, kMostUnits> units;
    // Fault, state and night options, as the command lines that set them ("@k ..." for a
    // unit other than 1).
    std::vector<std::string> startCommands;

    SimOptions();
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // none: exit with `exitCode`, after `message`
    std::string message;
    int exitCode = 0;
};

[[nodiscard]] ParsedOptions parseOptions(const std::vector<std::string>& arguments);

[[nodiscard]] std::string usage();

// "HH:MM" or "HH:MM:SS" as seconds after midnight.
[[nodiscard]] std::optional<double> parseTimeOfDay(const std::string& text);

} // namespace veltroma::sim
