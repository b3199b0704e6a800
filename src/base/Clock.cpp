#include "base/Clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace veltroma {

bool Clock::waitFor(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                    std::int64_t ms, const std::function<bool()>& done)
{
    return wake.wait_for(lock, std::chrono::milliseconds(std::max<std::int64_t>(ms, 0)), done);
}

bool Clock::waitBySleeping(std::unique_lock<std::mutex>& lock, std::int64_t ms, const std::function<bool()>& done)
{
    if (done())
        return true;
    lock.unlock();
    sleepMs(ms);
    lock.lock();
    return done();
}

std::int64_t SteadyClock::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleepMs(std::int64_t ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock& steadyClock()
{
    static SteadyClock clock;
    return clock;
}

} // namespace veltroma
