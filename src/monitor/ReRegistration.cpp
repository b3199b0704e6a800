#include "monitor/ReRegistration.h"

namespace veltroma {

void ReRegistration::reset(std::uint64_t reopens)
{
    std::lock_guard lock(mutex_);
    needed_ = false;
    seenReopens_ = reopens;
    lastAttemptMs_.reset();
}

void ReRegistration::request()
{
    std::lock_guard lock(mutex_);
    needed_ = true;
}

void ReRegistration::answered()
{
    std::lock_guard lock(mutex_);
    needed_ = false;
}

bool ReRegistration::due(std::int64_t nowMs, std::uint64_t reopens)
{
    std::lock_guard lock(mutex_);
    if (reopens != seenReopens_) {
        seenReopens_ = reopens;
        needed_ = true;
    }
    if (!needed_ || (lastAttemptMs_ && nowMs - *lastAttemptMs_ < kMinGapMs))
        return false;
    lastAttemptMs_ = nowMs;
    return true;
}

bool ReRegistration::pending() const
{
    std::lock_guard lock(mutex_);
    return needed_;
}

} // namespace veltroma
