#pragma once

#include "Inverter.h"
#include "PlantModel.h"
#include "Simulator.h"

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
    unsigned seed = 1;
    LineTiming timing;
    InverterConfig inverter;
    PlantConfig plant;
    // Fault and state options, as the control commands that set them.
    std::vector<std::string> startCommands;
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
