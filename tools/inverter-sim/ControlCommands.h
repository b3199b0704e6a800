#pragma once

#include "Faults.h"
#include "Inverter.h"
#include "PlantModel.h"

#include <optional>
#include <string>
#include <string_view>

namespace veltroma::sim {

// What the control commands act on.
struct Controlled {
    Inverter& inverter;
    PlantModel& plant;
    FaultSettings& faults;
};

struct CommandOutcome {
    bool ok = false;
    std::string message;  // the error, when not ok
    bool quit = false;
};

// Runs one control command line (see the README for the list). The plant must have been
// advanced to the present first, so that a change takes effect from now on.
CommandOutcome runCommand(std::string_view line, Controlled target);

// Ten bytes written as text; "\xHH" stands for any byte and "\\" for a backslash.
[[nodiscard]] std::optional<SerialNumber> parseSerial(std::string_view text);

} // namespace veltroma::sim
