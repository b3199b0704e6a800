#include "monitor/EngineSchedule.h"

namespace veltroma {

namespace {

void run(ScheduleTimer& timer, bool wanted)
{
    // Starting a running timer would start its period over: 180 s more without a row.
    if (wanted && !timer.active())
        timer.start();
    else if (!wanted && timer.active())
        timer.stop();
}

} // namespace

EngineSchedule::EngineSchedule(MonitorEngine& engine, ScheduleTimers& timers,
                               EngineTimerIntervals intervals, RefreshSource refreshSource)
    : engine_(engine),
      intervals_(intervals),
      refreshSource_(std::move(refreshSource)),
      refresh_(timers.make(intervals.refreshMs, [this] { refreshTick(); })),
      watchdog_(timers.make(intervals.watchdogMs, [this] { watchdogTick(); })),
      record_(timers.make(intervals.recordingMs, [this] {
          if (recordListener_)
              recordListener_();
      }))
{
}

void EngineSchedule::start(bool refreshNow)
{
    if (refreshNow)
        refreshTick();
    refresh_->start();
}

void EngineSchedule::stop()
{
    refresh_->stop();
    watchdog_->stop();
    record_->stop();
}

void EngineSchedule::refreshTick()
{
    engine_.refreshTick(refreshSource_());
    for (const Listener& listener : refreshListeners_)
        listener();
    follow();
}

void EngineSchedule::watchdogTick()
{
    engine_.watchdogTick();
    follow();
}

void EngineSchedule::follow()
{
    run(*record_, engine_.recordingEnabled());
    run(*watchdog_, engine_.watchdog().enabled());
}

} // namespace veltroma
