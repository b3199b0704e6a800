#include "SoakTimers.h"

#include <mutex>
#include <optional>
#include <utility>

namespace veltroma::soak {

namespace {

class SoakTimer final : public ScheduleTimer {
public:
    SoakTimer(SoakClock& clock, std::int64_t periodMs, std::function<void()> tick)
        : clock_(clock), periodMs_(periodMs), tick_(std::move(tick))
    {
    }
    ~SoakTimer() override { stop(); }

    void start() override
    {
        stop();
        std::lock_guard lock(mutex_);
        id_ = clock_.addTimer(periodMs_, tick_);
    }
    void stop() override
    {
        std::optional<SoakClock::TimerId> id;
        {
            std::lock_guard lock(mutex_);
            id = std::exchange(id_, std::nullopt);
        }
        if (id)
            clock_.removeTimer(*id);
    }
    [[nodiscard]] bool active() const override
    {
        std::lock_guard lock(mutex_);
        return id_.has_value();
    }

private:
    SoakClock& clock_;
    std::int64_t periodMs_;
    std::function<void()> tick_;
    mutable std::mutex mutex_;
    std::optional<SoakClock::TimerId> id_;
};

} // namespace

std::unique_ptr<ScheduleTimer> SoakTimers::make(std::int64_t periodMs, std::function<void()> tick)
{
    return std::make_unique<SoakTimer>(clock_, periodMs, std::move(tick));
}

} // namespace veltroma::soak
