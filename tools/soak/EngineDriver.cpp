#include "EngineDriver.h"

namespace veltroma::soak {

EngineDriver::EngineDriver(Setup setup)
    : clock_(setup.clock),
      intervals_(setup.intervals),
      // The run's folder has no language files: texts stand as their keys, which the
      // rows carry just the same.
      engine_({setup.link, setup.clock, display_, setup.programFolder,
               [](const QString& key) { return key; }, std::move(setup.wallClock),
               QStringLiteral("the simulated line")})
{
    engine_.setRecorder(&setup.recorder);
    // No context object: the count is taken on the thread that declares the loss.
    QObject::connect(&engine_.events(), &EngineEvents::linkLost, [this] { ++losses_; });
    QObject::connect(&engine_.events(), &EngineEvents::recordingState,
                     [this](const RecordingState& state) {
                         if (state.failing && !recordingFailing_)
                             ++recordingFailures_;
                         recordingFailing_ = state.failing;
                     });
}

EngineDriver::~EngineDriver()
{
    stop();
}

void EngineDriver::start()
{
    refresh();
    refreshTimer_ = clock_.addTimer(intervals_.refreshMs, [this] { refresh(); });
    watchdogTimer_ = clock_.addTimer(intervals_.watchdogMs, [this] {
        engine_.watchdogTick();
        syncRecordingTimer();
    });
}

void EngineDriver::stop()
{
    for (auto* timer : {&refreshTimer_, &watchdogTimer_, &recordingTimer_}) {
        if (*timer)
            clock_.removeTimer(**timer);
        timer->reset();
    }
    engine_.shutdown();
}

void EngineDriver::refresh()
{
    engine_.unattendedRefreshTick();
    syncRecordingTimer();
}

void EngineDriver::syncRecordingTimer()
{
    // As with the event loop's timer: starting it counts its 180 s from now, so a running
    // one is left alone.
    if (engine_.recordingEnabled() && !recordingTimer_) {
        recordingTimer_ = clock_.addTimer(intervals_.recordingMs, [this] { engine_.recordingTick(); });
    } else if (!engine_.recordingEnabled() && recordingTimer_) {
        clock_.removeTimer(*recordingTimer_);
        recordingTimer_.reset();
    }
}

} // namespace veltroma::soak
