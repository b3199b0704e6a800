#include "monitor/MonitorEngine.h"

#include "link/LinkHealth.h"
#include "monitor/Recorder.h"

namespace veltroma {

MonitorEngine::MonitorEngine(Setup setup)
    : link_(setup.link, setup.clock),
      decoder_(model_, setup.display, std::move(setup.programFolder), std::move(setup.loadString),
               std::move(setup.wallClock)),
      registration_(link_, flags_, model_, setup.display, watchdog_),
      worker_(link_, flags_, decoder_, watchdog_),
      lossReason_(setup.linkName.isEmpty()
                      ? QStringLiteral("no reply from the inverter")
                      : QStringLiteral("no reply from the inverter on %1").arg(setup.linkName))
{
    worker_.setBetweenCycles([this](bool answered) { betweenCycles(answered); });
    watchdog_.onLost([this] {
        recordingEnabled_ = false;
        reRegistration_.request();
        emit events_.linkLost(lossReason_);
    });
    watchdog_.onBack([this] { emit events_.linkBack(); });
    decoder_.setRowListener([this](const QStringList& row) {
        emit events_.realtimeDecoded(model_.snapshot());
        emit events_.rowBuilt(row);
    });
}

MonitorEngine::~MonitorEngine()
{
    shutdown();
}

bool MonitorEngine::OnChangeUseriSwitchLEDX0(bool on)
{
    if (on) {
        watchdog_.arm();
        reRegistration_.reset(reopens());
    }
    workerWanted_ = on;
    ++switchesPending_;
    // Values of an earlier connection are no live values of this one: nothing is plotted or
    // recorded from them while this registration runs.
    forgetRealtime();
    switching_ = std::thread([this, on, previous = std::move(switching_)]() mutable {
        if (previous.joinable())
            previous.join();
        // The worker of the previous switch change has stopped: no late reply of it can
        // mark the model live again after this.
        forgetRealtime();
        if (!on) {
            // Asked to stop before the registration, the worker ends with the cycle it is in
            // however the threads are scheduled: at most that cycle's rest follows the
            // registration, never a further cycle.
            std::lock_guard lock(workerStateMutex_);
            worker_.SetThreadState(false);
        }
        if (const auto serial = registration_.Register())
            emit events_.registered(*serial);
        if (on) {
            std::lock_guard lock(workerStateMutex_);
            worker_.SetThreadState(workerWanted_);
        }
        --switchesPending_;
    });
    if (!on || !link_.link.ChannelOK())
        return false;
    registration_.startProgress();
    return true;
}

void MonitorEngine::stopWorker()
{
    std::lock_guard lock(workerStateMutex_);
    workerWanted_ = false;
    worker_.SetThreadState(false);
}

void MonitorEngine::disableTimers()
{
    recordingEnabled_ = false;
    watchdog_.disable();
}

void MonitorEngine::refreshTick(RefreshState state)
{
    switch (state) {
    case RefreshState::RealtimeConnected:
        // After a declared loss nothing is recorded until a validated reply has come again.
        recordingEnabled_ = !watchdog_.lost();
        break;
    case RefreshState::RealtimeDisconnected:
        disableTimers();
        break;
    case RefreshState::OtherMode:
        break;
    }
    registration_.RegistProgressBar();
}

void MonitorEngine::unattendedRefreshTick()
{
    refreshTick(unattendedOn_ ? RefreshState::RealtimeConnected : RefreshState::RealtimeDisconnected);
    if (!unattendedOn_) {
        unattendedOn_ = true;
        OnChangeUseriSwitchLEDX0(true);
    }
}

void MonitorEngine::recordingTick()
{
    if (!recordingEnabled_ || recorder_ == nullptr)
        return;
    const InverterModel snapshot = model_.snapshot();
    if (snapshot.realtimeDecoded)
        events_.recordingState(recorder_->record(snapshot));
}

void MonitorEngine::betweenCycles(bool lastCycleAnswered)
{
    if (lastCycleAnswered)
        reRegistration_.answered();
    if (!link_.link.ChannelOK() || !reRegistration_.due(link_.clock.nowMs(), reopens()))
        return;
    if (LinkHealth* health = link_.link.health())
        health->count(LinkEvent::ReRegistration);
    if (const auto serial = registration_.Register()) {
        reRegistration_.answered();
        emit events_.registered(*serial);
    }
}

void MonitorEngine::forgetRealtime()
{
    model_.update([](InverterModel& m) { m.realtimeDecoded = false; });
}

std::uint64_t MonitorEngine::reopens() const
{
    const LinkHealth* health = link_.link.health();
    return health ? health->snapshot().reopens : 0;
}

void MonitorEngine::shutdown()
{
    registration_.stop();
    if (switching_.joinable())
        switching_.join();
    worker_.shutdown();
    disableTimers();
}

} // namespace veltroma
