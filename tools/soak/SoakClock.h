#pragma once

#include "base/Clock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace veltroma::soak {

// Virtual time for a long run: a sleep advances the clock at once, and every timer that
// falls due within the sleep fires on the sleeping thread at its exact moment, in order.
// The engine's worker sleeps all the time, so its sleeps carry the whole run; the timers
// stand in for the event loop's timers.
class SoakClock final : public Clock {
public:
    using TimerId = std::uint64_t;

    explicit SoakClock(std::int64_t startMs = 0) : now_(startMs) {}

    [[nodiscard]] std::int64_t nowMs() const override { return now_.load(); }
    void sleepMs(std::int64_t ms) override;
    bool waitFor(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                 std::int64_t ms, const std::function<bool()>& done) override;

    // Fires `action` every `periodMs`, first at now + periodMs. Actions must not sleep on
    // this clock.
    TimerId addTimer(std::int64_t periodMs, std::function<void()> action);
    // Fires `action` once at `atMs`.
    TimerId addAt(std::int64_t atMs, std::function<void()> action);
    // Returns once no action of the timer runs any more.
    void removeTimer(TimerId id);

private:
    struct Timer {
        std::int64_t periodMs = 0; // 0: once
        std::function<void()> action;
    };
    TimerId add(std::int64_t dueMs, std::int64_t periodMs, std::function<void()> action);

    std::atomic<std::int64_t> now_;
    std::mutex mutex_;
    // One timer action at a time, whichever thread sleeps.
    std::recursive_mutex firing_;
    std::multimap<std::int64_t, TimerId> due_;
    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
};

} // namespace veltroma::soak
