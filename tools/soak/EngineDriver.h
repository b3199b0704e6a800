#pragma once

#include "SoakClock.h"

#include "monitor/NoDisplay.h"
#include "monitor/EngineTimers.h"
#include "monitor/MonitorEngine.h"

#include <atomic>

namespace veltroma::soak {

// The monitoring engine as the headless logger runs it, with its three ticks fired by
// timers of the virtual clock instead of the event loop's: the refresh turns the switch
// on at once, the watchdog every 500 ms, a record row every 180 s from the moment
// recording is enabled. One driver is one run of the program.
class EngineDriver {
public:
    struct Setup {
        SoakClock& clock;
        ByteLink& link;
        QString programFolder;
        ReplyDecoder::WallClock wallClock;
        Recorder& recorder;
        EngineTimerIntervals intervals = {};
    };

    explicit EngineDriver(Setup setup);
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    void start();
    // Removes the timers, then ends the worker within its exchange.
    void stop();

    [[nodiscard]] MonitorEngine& engine() { return engine_; }
    [[nodiscard]] int lossesReported() const { return losses_.load(); }
    // Times the recorder began to fail (a failed save after good ones).
    [[nodiscard]] int recordingFailuresReported() const { return recordingFailures_.load(); }

private:
    void refresh();
    void syncRecordingTimer();

    SoakClock& clock_;
    EngineTimerIntervals intervals_;
    NoDisplay display_;
    MonitorEngine engine_;
    std::optional<SoakClock::TimerId> refreshTimer_;
    std::optional<SoakClock::TimerId> watchdogTimer_;
    std::optional<SoakClock::TimerId> recordingTimer_;
    std::atomic<int> losses_{0};
    std::atomic<int> recordingFailures_{0};
    bool recordingFailing_ = false;
};

} // namespace veltroma::soak
