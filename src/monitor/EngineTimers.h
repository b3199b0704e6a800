#pragma once

namespace veltroma {

// The periods of the schedule's three timers, whoever owns the session.
struct EngineTimerIntervals {
    int refreshMs = 1000;     // display refresh and registration progress, always on
    int recordingMs = 180000; // one record row
    int watchdogMs = 500;     // link watchdog
};

} // namespace veltroma
