#pragma once

#include "monitor/CommWorker.h"
#include "monitor/EngineEvents.h"
#include "monitor/EngineLink.h"
#include "monitor/InverterModel.h"
#include "monitor/ReRegistration.h"
#include "monitor/Registration.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/SharedModel.h"
#include "monitor/Watchdog.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace veltroma {

class Recorder;

// What the once-a-second refresh finds: the mode and, in realtime mode, the connect switch.
enum class RefreshState { RealtimeConnected, RealtimeDisconnected, OtherMode };

// The monitoring engine that the monitor form (or the headless logger) owns: the inverter
// model and its decoder, the worker, the registration, the watchdog and the recording
// schedule. Every method runs on the user-interface thread; the owner drives the three
// ticks from its timers (EngineTimerIntervals). The registrations and the waits for the
// worker run on threads of their own, so the user-interface thread never blocks on the link.
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
        // The port in words, for the reason of a loss; empty: not named.
        QString linkName = {};
    };

    explicit MonitorEngine(Setup setup);
    ~MonitorEngine();

    MonitorEngine(const MonitorEngine&) = delete;
    MonitorEngine& operator=(const MonitorEngine&) = delete;

    // The user moved the "Communication Connect" switch: registration first, then the worker
    // starts or stops, both on the switch's own thread; switched on, the watchdog counts
    // from now. Returns at once: true when the registration progress is to be shown (the
    // switch went on with the channel open); call progressClosed() when it has closed.
    bool OnChangeUseriSwitchLEDX0(bool on);
    // True until the registration and the worker start or stop of every switch change so
    // far have run.
    [[nodiscard]] bool switching() const { return switchesPending_.load() > 0; }
    void progressClosed() { registration_.progressClosed(); }

    // The modes other than realtime monitoring stop the worker after its cycle; a switch
    // change still under way no longer starts one.
    void stopWorker();
    // The modes that stop listening disable recording and the watchdog.
    void disableTimers();

    // The engine's part of the once-a-second refresh: connected in realtime mode, recording
    // runs unless the link is lost; disconnected, recording and the watchdog stop; then the
    // registration progress.
    void refreshTick(RefreshState state);
    // The refresh of a monitor without a window, which has no switch to move: connected from
    // its first refresh on, when the connection is switched on.
    void unattendedRefreshTick();
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

    // The end of the program: a registration stops before its next frame, the worker
    // within its current exchange.
    void shutdown();

private:
    // Worker thread, between two cycles: the registration again, when one is due.
    void betweenCycles(bool lastCycleAnswered);
    // Until the next validated realtime reply the model holds no live values.
    void forgetRealtime();
    [[nodiscard]] std::uint64_t reopens() const;

    EngineLink link_;
    EngineFlags flags_;
    SharedModel model_;
    ReplyDecoder decoder_;
    Watchdog watchdog_;
    Registration registration_;
    ReRegistration reRegistration_;
    CommWorker worker_;
    // The newest switch change; it waits for the one before it.
    std::thread switching_;
    std::atomic<int> switchesPending_{0};
    bool unattendedOn_ = false;
    // False once a mode has stopped the worker, until the switch goes on again.
    std::atomic<bool> workerWanted_{false};
    // Held while the worker is started or stopped for a switch or a mode, so that a mode
    // that stops the worker is never overtaken by a switch change still starting it.
    std::mutex workerStateMutex_;
    QString lossReason_;
    Recorder* recorder_ = nullptr;
    bool recordingEnabled_ = false;
    EngineEvents events_;
};

} // namespace veltroma
