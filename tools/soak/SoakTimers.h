#pragma once

#include "SoakClock.h"

#include "monitor/ScheduleTimers.h"

namespace veltroma::soak {

// The schedule's timers on the virtual clock: they fire on whichever thread sleeps on it,
// at their exact virtual moments.
class SoakTimers final : public ScheduleTimers {
public:
    explicit SoakTimers(SoakClock& clock) : clock_(clock) {}

    [[nodiscard]] std::unique_ptr<ScheduleTimer> make(std::int64_t periodMs,
                                                      std::function<void()> tick) override;

private:
    SoakClock& clock_;
};

} // namespace veltroma::soak
