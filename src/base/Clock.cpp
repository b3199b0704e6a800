#include "base/Clock.h"

#include <chrono>
#include <thread>

namespace veltroma {

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
