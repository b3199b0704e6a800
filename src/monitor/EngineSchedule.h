#pragma once

#include "monitor/EngineTimers.h"
#include "monitor/MonitorEngine.h"
#include "monitor/ScheduleTimers.h"

#include <functional>
#include <memory>
#include <vector>

namespace veltroma {

// The one timetable of a monitoring session, whoever owns it (the window, the headless
// logger, the soak): the refresh every second, always on once started; the watchdog every
// 500 ms while the engine's watchdog is enabled; a record tick every 180 s while recording is
// enabled, counted from the moment it was enabled. All ticks run on the timers' thread.
class EngineSchedule {
public:
    // What the refresh finds (the window's mode and switch, or unattended).
    using RefreshSource = std::function<RefreshState()>;
    using Listener = std::function<void()>;

    EngineSchedule(MonitorEngine& engine, ScheduleTimers& timers, EngineTimerIntervals intervals,
                   RefreshSource refreshSource);

    // Starts the refresh timer, after a first refresh at once when asked for.
    void start(bool refreshNow = true);
    // Stops every timer; no tick runs after this returns (on the timers' thread).
    void stop();

    // The refresh: the engine's part first, then every listener (the form presents), then
    // the other two timers follow the engine. Also for a refresh the owner needs at once.
    void refreshTick();
    // The watchdog: the engine's tick, then the timers follow the engine.
    void watchdogTick();
    // Runs after the engine's part of every refresh.
    void onRefresh(Listener listener) { refreshListeners_.push_back(std::move(listener)); }
    // Runs at every record tick.
    void onRecord(Listener listener) { recordListener_ = std::move(listener); }
    // The watchdog and recording timers started or stopped as the engine now stands; a
    // running one keeps its period. For owners that change the engine between ticks.
    void follow();

    [[nodiscard]] bool refreshing() const { return refresh_->active(); }
    [[nodiscard]] bool recording() const { return record_->active(); }
    [[nodiscard]] bool watching() const { return watchdog_->active(); }
    [[nodiscard]] const EngineTimerIntervals& intervals() const { return intervals_; }

private:
    MonitorEngine& engine_;
    EngineTimerIntervals intervals_;
    RefreshSource refreshSource_;
    std::vector<Listener> refreshListeners_;
    Listener recordListener_;
    std::unique_ptr<ScheduleTimer> refresh_;
    std::unique_ptr<ScheduleTimer> watchdog_;
    std::unique_ptr<ScheduleTimer> record_;
};

} // namespace veltroma
