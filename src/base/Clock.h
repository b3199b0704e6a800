#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace veltroma {

// Every wait of the protocol and the engine goes through a Clock, so that tests can run the
// link timing in virtual time, to the millisecond.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic tick count; only differences carry meaning.
    [[nodiscard]] virtual std::int64_t nowMs() const = 0;
    virtual void sleepMs(std::int64_t ms) = 0;

    // Waits on `wake` (with `lock` held on entry and exit) until `done` holds or `ms` have
    // passed; returns `done()`. Whoever makes `done` true notifies `wake`. The real clock
    // blocks without polling; a virtual one lets the whole time pass at once.
    virtual bool waitFor(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                         std::int64_t ms, const std::function<bool()>& done);

protected:
    // The wait of a clock in virtual time, where nothing else moves while a thread waits:
    // one sleep of the whole time, unless `done` holds already.
    bool waitBySleeping(std::unique_lock<std::mutex>& lock, std::int64_t ms, const std::function<bool()>& done);
};

// The real monotonic clock.
class SteadyClock final : public Clock {
public:
    [[nodiscard]] std::int64_t nowMs() const override;
    void sleepMs(std::int64_t ms) override;
};

// One process-wide real clock for code that is not handed another.
Clock& steadyClock();

} // namespace veltroma
