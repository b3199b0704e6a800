#pragma once

#include "monitor/ScheduleTimers.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace veltroma::test {

// The schedule's timers in virtual time, on the test's thread: nothing fires until the test
// advances the time, and then every tick falls due at its exact moment, in order.
class VirtualTimers final : public ScheduleTimers {
public:
    [[nodiscard]] std::unique_ptr<ScheduleTimer> make(std::int64_t periodMs,
                                                      std::function<void()> tick) override
    {
        return std::make_unique<Timer>(*this, periodMs, std::move(tick));
    }

    [[nodiscard]] std::int64_t nowMs() const { return nowMs_; }

    // Moves the time on by `ms`, firing every tick that falls due meanwhile.
    void advance(std::int64_t ms)
    {
        const std::int64_t target = nowMs_ + ms;
        while (!due_.empty() && due_.begin()->first.first <= target) {
            const auto [key, timer] = *due_.begin();
            due_.erase(due_.begin());
            nowMs_ = key.first;
            timer->dueMs_ = nowMs_ + timer->periodMs_;
            due_.emplace(std::pair(timer->dueMs_, timer->serial_), timer);
            timer->tick_();
        }
        nowMs_ = target;
    }

private:
    class Timer final : public ScheduleTimer {
    public:
        Timer(VirtualTimers& owner, std::int64_t periodMs, std::function<void()> tick)
            : owner_(owner), periodMs_(periodMs), tick_(std::move(tick)), serial_(++owner.serials_)
        {
        }
        ~Timer() override { stop(); }

        void start() override
        {
            stop();
            dueMs_ = owner_.nowMs_ + periodMs_;
            owner_.due_.emplace(std::pair(dueMs_, serial_), this);
        }
        void stop() override { owner_.due_.erase(std::pair(dueMs_, serial_)); }
        [[nodiscard]] bool active() const override
        {
            return owner_.due_.contains(std::pair(dueMs_, serial_));
        }

    private:
        friend class VirtualTimers;
        VirtualTimers& owner_;
        std::int64_t periodMs_;
        std::function<void()> tick_;
        std::int64_t serial_;
        std::int64_t dueMs_ = -1;
    };

    std::int64_t nowMs_ = 0;
    std::int64_t serials_ = 0;
    // Due time and the timer's serial (ties fire in the order the timers were made).
    std::map<std::pair<std::int64_t, std::int64_t>, Timer*> due_;
};

} // namespace veltroma::test
