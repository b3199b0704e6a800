#pragma once

#include "Faults.h"
#include "Inverter.h"
#include "Night.h"
#include "PlantModel.h"

#include <optional>
#include <string>
#include <string_view>

namespace veltroma::sim {

// What the control commands act on: one unit on the bus.
struct Controlled {
    Inverter& inverter;
    PlantModel& plant;
    FaultSettings& faults;
    NightMode& night;
};

struct CommandOutcome {
    bool ok = false;
    std::string message;  // the error, when not ok
    bool quit = false;
};

// Runs one command about one unit (see the README for the list). The plant must have been
// advanced to the present first, so that a change takes effect from now on.
CommandOutcome runCommand(std::string_view line, Controlled target);

// A command line split into the unit it names and the command: "@2 silent on" is unit 2 and
// "silent on"; a line without "@" names no unit. Nullopt when "@" is not followed by a unit
// number from 1, a space and a command. Whether that unit exists is the caller's to check.
struct AddressedCommand {
    std::optional<std::size_t> unit;
    std::string_view command;
};
[[nodiscard]] std::optional<AddressedCommand> splitUnit(std::string_view line);

// Ten bytes written as text; "\xHH" stands for any byte and "\\" for a backslash.
[[nodiscard]] std::optional<SerialNumber> parseSerial(std::string_view text);

} // namespace veltroma::sim
