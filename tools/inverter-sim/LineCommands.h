#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltroma::sim {

// What the commands that concern the whole line act on: a half-duplex adapter that echoes
// every byte the PC sends, and a replug request.
struct LineSettings {
    bool echo = false;
    std::optional<double> replugAfterSeconds;  // set by `replug`, taken by the simulator
};

struct LineCommandOutcome {
    bool ok = false;
    std::string message;  // the error, when not ok
    bool quit = false;
};

// True when the line's first word names a command about the whole simulator (`echo`,
// `replug`, `quit`) rather than about one unit.
[[nodiscard]] bool isLineCommand(std::string_view line);

// Runs `echo on|off`, `replug SECONDS` or `quit`; nullopt when the line is none of these, so
// the caller passes it on to the unit commands.
[[nodiscard]] std::optional<LineCommandOutcome> runLineCommand(std::string_view line,
                                                               LineSettings& target);

} // namespace veltroma::sim
