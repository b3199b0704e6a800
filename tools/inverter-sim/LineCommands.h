#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace veltroma::sim {

// When the inverter sleeps. With no light on its panels a grid-tied inverter has no supply:
// it hears nothing, answers nothing and forgets its bus address, and it wakes unregistered.
enum class NightMode {
    Never,       // always awake (the default)
    Dark,        // asleep now, whatever the simulated sun does
    WithTheSun,  // asleep while the simulated sun is down (before 6:00, after 19:00)
};

// What the commands that concern the line and the inverter's supply act on: the night,
// a half-duplex adapter that echoes every byte the PC sends, and a replug request.
struct LineSettings {
    NightMode night = NightMode::Never;
    bool echo = false;
    std::optional<double> replugAfterSeconds;  // set by `replug`, taken by the simulator

    // True when the inverter sleeps at `simulatedSeconds` (since midnight of day 0).
    [[nodiscard]] bool asleepAt(double simulatedSeconds) const;
};

struct LineCommandOutcome {
    bool ok = false;
    std::string message;  // the error, when not ok
};

// Runs `night on|off|auto`, `echo on|off` or `replug SECONDS`; nullopt when the line is none
// of these, so the caller passes it on to the other commands.
[[nodiscard]] std::optional<LineCommandOutcome> runLineCommand(std::string_view line,
                                                               LineSettings& target);

} // namespace veltroma::sim
