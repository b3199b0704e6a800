#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace veltroma {

// One repeating timer of the schedule. Its tick runs on the thread the timers belong to
// (the event loop's thread in the program, the virtual clock's in the soak and the tests).
class ScheduleTimer {
public:
    virtual ~ScheduleTimer() = default;
    // Counts the period from now on; a running timer starts its period over.
    virtual void start() = 0;
    virtual void stop() = 0;
    [[nodiscard]] virtual bool active() const = 0;
};

// Makes the schedule's timers: Qt timers in the program, virtual ones in the soak and tests.
class ScheduleTimers {
public:
    virtual ~ScheduleTimers() = default;
    // A stopped timer that calls `tick` every `periodMs` once started.
    [[nodiscard]] virtual std::unique_ptr<ScheduleTimer> make(std::int64_t periodMs,
                                                              std::function<void()> tick) = 0;
};

// The event loop's timers, on the thread that makes them.
class QtScheduleTimers final : public ScheduleTimers {
public:
    [[nodiscard]] std::unique_ptr<ScheduleTimer> make(std::int64_t periodMs,
                                                      std::function<void()> tick) override;
};

} // namespace veltroma
