#pragma once

namespace veltroma::sim {

// When an inverter sleeps. With no light on its panels a grid-tied inverter has no supply:
// it hears nothing, answers nothing and forgets its bus address, and it wakes unregistered.
enum class NightMode {
    Never,       // always awake (the default)
    Dark,        // asleep now, whatever the simulated sun does
    WithTheSun,  // asleep while the simulated sun is down (before 6:00, after 19:00)
};

// True when an inverter with this setting sleeps at `simulatedSeconds` (since midnight of
// day 0).
[[nodiscard]] bool asleepAt(NightMode mode, double simulatedSeconds);

} // namespace veltroma::sim
