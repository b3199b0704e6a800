#include "SoakClock.h"

namespace veltroma::soak {

void SoakClock::sleepMs(std::int64_t ms)
{
    const std::int64_t target = now_.load() + std::max<std::int64_t>(ms, 0);
    for (;;) {
        std::unique_lock fire(firing_);
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            const auto next = due_.begin();
            if (next == due_.end() || next->first > target) {
                if (now_.load() < target)
                    now_ = target;
                return;
            }
            const auto [atMs, id] = *next;
            due_.erase(next);
            if (now_.load() < atMs)
                now_ = atMs;
            const auto timer = timers_.find(id);
            if (timer == timers_.end())
                continue;
            action = timer->second.action;
            if (timer->second.periodMs > 0)
                due_.emplace(atMs + timer->second.periodMs, id);
            else
                timers_.erase(timer);
        }
        action();
    }
}

bool SoakClock::waitFor(std::condition_variable& /*wake*/, std::unique_lock<std::mutex>& lock,
                        std::int64_t ms, const std::function<bool()>& done)
{
    // Nothing else moves in virtual time while this thread waits.
    return waitBySleeping(lock, ms, done);
}

SoakClock::TimerId SoakClock::addTimer(std::int64_t periodMs, std::function<void()> action)
{
    return add(now_.load() + periodMs, periodMs, std::move(action));
}

SoakClock::TimerId SoakClock::addAt(std::int64_t atMs, std::function<void()> action)
{
    return add(atMs, 0, std::move(action));
}

SoakClock::TimerId SoakClock::add(std::int64_t dueMs, std::int64_t periodMs,
                                  std::function<void()> action)
{
    std::lock_guard lock(mutex_);
    const TimerId id = nextId_++;
    timers_.emplace(id, Timer{periodMs, std::move(action)});
    due_.emplace(dueMs, id);
    return id;
}

void SoakClock::removeTimer(TimerId id)
{
    std::lock_guard fire(firing_);
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

} // namespace veltroma::soak
