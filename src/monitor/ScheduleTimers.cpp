#include "monitor/ScheduleTimers.h"

#include <QTimer>

namespace veltroma {

namespace {

class QtScheduleTimer final : public ScheduleTimer {
public:
    QtScheduleTimer(std::int64_t periodMs, std::function<void()> tick)
    {
        timer_.setInterval(static_cast<int>(periodMs));
        // Precise, as the form's thread timers always were: a coarse one may be off by up
        // to 5 % of its period.
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(tick));
    }

    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    [[nodiscard]] bool active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<ScheduleTimer> QtScheduleTimers::make(std::int64_t periodMs,
                                                      std::function<void()> tick)
{
    return std::make_unique<QtScheduleTimer>(periodMs, std::move(tick));
}

} // namespace veltroma
