#pragma once

#include "monitor/BusSlots.h"
#include "monitor/CommWorker.h"
#include "monitor/EngineEvents.h"
#include "monitor/EngineLink.h"
#include "monitor/InverterModel.h"
#include "monitor/ReRegistration.h"
#include "monitor/Registration.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/SharedModel.h"
#include "monitor/SlotPoller.h"
#include "monitor/Watchdog.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace veltroma {

// What the once-a-second refresh finds: the mode and, in realtime mode, the connect switch;
// or a monitor without a window, which switches the connection on at its first refresh.
enum class RefreshState { RealtimeConnected, RealtimeDisconnected, OtherMode, Unattended };

// The monitoring engine of one link: the inverter model and its decoder, the worker, the
// registration, the watchdog and the link's state. A MonitorSession owns it and drives its
// ticks from the schedule; every method runs on the thread of the session's timers (the
// user-interface thread in the program). The registrations and the waits for the worker run
// on threads of their own, so that thread never blocks on the link.
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
        // The inverters on the bus as setting.ini names them; by default one.
        InverterSlots inverters = {};
        // Writes a serial number found on the bus into its slot of setting.ini (registration
        // thread or worker); false when it could not be written. None: nothing is kept.
        std::function<bool(int slot, const QString& serial)> keepSerial = {};
        // With several inverters: how often a lost one is assigned again and free slots are
        // searched.
        std::int64_t busRetryGapMs = BusSlots::kRetryGapMs;
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
    // registration progress. Unattended, the first refresh switches the connection on and
    // every later one counts as connected.
    void refreshTick(RefreshState state);
    void watchdogTick() { watchdog_.tick(); }
    // The recording tick: one model per inverter to record (its record row, file, sheet and
    // recordSlot) while recording is enabled, for every slot whose realtime reply of this
    // connection has been decoded and that is not lost; none otherwise.
    [[nodiscard]] std::vector<InverterModel> rowsToRecord() const;
    // User-interface thread: the user emptied `slot` in the settings; it is free from now on
    // and polled no more.
    void forgetSlot(int slot);

    void setProgressDisplay(ProgressDisplay* progress) { registration_.setProgressDisplay(progress); }
    // The engine's events; connect before the first worker starts.
    [[nodiscard]] EngineEvents& events() { return events_; }

    [[nodiscard]] InverterModel snapshot() const { return model_.snapshot(); }
    // Any thread: the slots of the bus, their serial numbers and whether they answer.
    [[nodiscard]] const BusSlots& busSlots() const { return busSlots_; }
    [[nodiscard]] bool recordingEnabled() const { return recordingEnabled_; }
    // Any thread: a copy of the link's state.
    [[nodiscard]] LinkState linkState() const;
    [[nodiscard]] bool workerRunning() const { return worker_.running(); }
    [[nodiscard]] const Watchdog& watchdog() const { return watchdog_; }
    [[nodiscard]] const Registration& registration() const { return registration_; }
    [[nodiscard]] const EngineFlags& flags() const { return flags_; }

    // The end of the program: a registration stops before its next frame, the worker
    // within its current exchange.
    void shutdown();

private:
    // Worker thread, between two rounds: the registration again, when one is due; with several
    // inverters the lost ones assigned again by serial and the free slots searched.
    void betweenCycles(bool lastCycleAnswered);
    void reRegisterBus(bool linkDue);
    // Worker thread: the slots of the next round, and the end of one slot's cycle.
    [[nodiscard]] std::vector<int> roundSlots() const;
    void slotCycleDone(int slot, bool answered);
    // Registration or worker thread: tells who listens, and what a search gave up.
    void announce(const std::vector<Registration::Registered>& registered);
    // Worker thread, for each reading: with several inverters a serial found on the bus is kept
    // in setting.ini once its inverter has answered a poll at its new address.
    void keepConfirmedSerial(int slot);
    // Until the next validated realtime reply the model holds no live values.
    void forgetRealtime();
    // Any thread; emits the change when there is one. `from`, when given, is the only kind
    // the change applies to (checked under the same lock).
    void changeLinkState(LinkState next, std::optional<LinkState::Kind> from = std::nullopt);
    [[nodiscard]] std::uint64_t reopens() const;

    EngineLink link_;
    EngineFlags flags_;
    BusSlots busSlots_;
    SharedModel model_;
    ReplyDecoder decoder_;
    Watchdog watchdog_;
    SlotPoller poller_;
    Registration registration_;
    ReRegistration reRegistration_;
    CommWorker worker_;
    // The newest switch change; it waits for the one before it.
    std::thread switching_;
    std::atomic<int> switchesPending_{0};
    bool unattendedOn_ = false;
    // The user has been told in this connection that several inverters answer at once.
    std::atomic<bool> severalSaid_{false};
    // False once a mode has stopped the worker, until the switch goes on again.
    std::atomic<bool> workerWanted_{false};
    // Held while the worker is started or stopped for a switch or a mode, so that a mode
    // that stops the worker is never overtaken by a switch change still starting it.
    std::mutex workerStateMutex_;
    QString lossReason_;
    ReplyDecoder::WallClock wallClock_;
    std::function<bool(int slot, const QString& serial)> keepSerial_;
    mutable std::mutex linkStateMutex_;
    LinkState linkState_;
    bool recordingEnabled_ = false;
    EngineEvents events_;
};

} // namespace veltroma
