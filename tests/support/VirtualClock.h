#pragma once

#include "base/Clock.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace veltroma::test {

// Virtual time: a sleep advances the clock at once. An optional hook runs on every sleep,
// so a test can let bytes "arrive" at chosen virtual moments.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::int64_t startMs = 1'000'000) : now_(startMs) {}

    [[nodiscard]] std::int64_t nowMs() const override { return now_.load(); }

    void sleepMs(std::int64_t ms) override
    {
        if (ms > 0)
            now_ += ms;
        std::function<void(std::int64_t)> hook;
        {
            std::lock_guard lock(mutex_);
            hook = onSleep_;
        }
        if (hook)
            hook(now_.load());
    }

    // Nothing can happen meanwhile in virtual time unless a sleep hook makes it happen.
    bool waitFor(std::condition_variable& /*wake*/, std::unique_lock<std::mutex>& lock,
                 std::int64_t ms, const std::function<bool()>& done) override
    {
        return waitBySleeping(lock, ms, done);
    }

    void advance(std::int64_t ms) { now_ += ms; }

    void onSleep(std::function<void(std::int64_t nowMs)> hook)
    {
        std::lock_guard lock(mutex_);
        onSleep_ = std::move(hook);
    }

private:
    std::atomic<std::int64_t> now_;
    std::mutex mutex_;
    std::function<void(std::int64_t)> onSleep_;
};

} // namespace veltroma::test
