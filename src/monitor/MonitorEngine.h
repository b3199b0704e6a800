#pragma once

#include "monitor/CommWorker.h"
#include "monitor/EngineEvents.h"
#include "monitor/EngineLink.h"
#include "monitor/InverterModel.h"
#include "monitor/Registration.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/SharedModel.h"
#include "monitor/Watchdog.h"

namespace veltroma {

class Recorder;

// What the once-a-second refresh finds: the mode and, in realtime mode, the connect switch.
enum class RefreshState { RealtimeConnected, RealtimeDisconnected, OtherMode };

// The monitoring engine that the monitor form (or the headless logger) owns: the inverter
// model and its decoder, the worker, the registration, the watchdog and the recording
// schedule. Every method runs on the user-interface thread; the owner drives the three
// ticks from its timers (refresh 1000 ms, recording 180000 ms, watchdog 500 ms).
class MonitorEngine {
public:
    struct Setup {
        ByteLink& link;
        Clock& clock;
        // Receives the display updates on the worker thread: give it a QueuedDisplay.
        DisplayUpdates& display;
        // The program folder, ending with "/"; the record files go below it.
        QString programFolder;
        ReplyDecoder::StringLoader loadString;
        ReplyDecoder::WallClock wallClock;
    };

    explicit MonitorEngine(Setup setup);
    ~MonitorEngine();

    MonitorEngine(const MonitorEngine&) = delete;
    MonitorEngine& operator=(const MonitorEngine&) = delete;

    // The user moved the "Communication Connect" switch: registration first, then the worker
    // starts or stops. Returns true when the registration progress is to be shown (the
    // switch went on with the channel open); call progressClosed() when it has closed.
    bool OnChangeUseriSwitchLEDX0(bool on);
    void progressClosed() { registration_.progressClosed(); }

    // The modes other than realtime monitoring stop the worker after its cycle.
    void stopWorker() { worker_.SetThreadState(false); }
    // The modes that stop listening disable recording and the watchdog.
    void disableTimers();

    // The engine's part of the once-a-second refresh: connected in realtime mode, recording
    // runs; disconnected, recording and the watchdog stop; then the registration progress.
    void refreshTick(RefreshState state);
    void watchdogTick() { watchdog_.tick(); }
    void recordingTick();

    void setRecorder(Recorder* recorder) { recorder_ = recorder; }
    void setProgressDisplay(ProgressDisplay* progress) { registration_.setProgressDisplay(progress); }
    // The engine's events; connect before the first worker starts.
    [[nodiscard]] EngineEvents& events() { return events_; }

    [[nodiscard]] InverterModel snapshot() const { return model_.snapshot(); }
    [[nodiscard]] bool recordingEnabled() const { return recordingEnabled_; }
    [[nodiscard]] bool workerRunning() const { return worker_.running(); }
    [[nodiscard]] const Watchdog& watchdog() const { return watchdog_; }
    [[nodiscard]] const Registration& registration() const { return registration_; }
    [[nodiscard]] const EngineFlags& flags() const { return flags_; }

    // The end of the program: the worker stops within its current exchange.
    void shutdown();

private:
    EngineLink link_;
    EngineFlags flags_;
    SharedModel model_;
    ReplyDecoder decoder_;
    Watchdog watchdog_;
    Registration registration_;
    CommWorker worker_;
    Recorder* recorder_ = nullptr;
    bool recordingEnabled_ = false;
    EngineEvents events_;
};

} // namespace veltroma
