#include "monitor/MonitorEngine.h"

#include "link/LinkHealth.h"

namespace veltroma {

MonitorEngine::MonitorEngine(Setup setup)
    : link_(setup.link, setup.clock),
      busSlots_(setup.inverters),
      decoder_(model_, setup.display, std::move(setup.programFolder), std::move(setup.loadString),
               setup.wallClock),
      registration_(link_, flags_, model_, setup.display, watchdog_),
      worker_(link_, flags_, decoder_, watchdog_),
      lossReason_(setup.linkName.isEmpty()
                      ? QStringLiteral("no reply from the inverter")
                      : QStringLiteral("no reply from the inverter on %1").arg(setup.linkName)),
      wallClock_(std::move(setup.wallClock))
{
    worker_.setBetweenCycles([this](bool answered) { betweenCycles(answered); });
    watchdog_.onLost([this] {
        recordingEnabled_ = false;
        reRegistration_.request();
        changeLinkState({LinkState::Kind::Lost, wallClock_(), lossReason_});
    });
    watchdog_.onBack([this] { changeLinkState({LinkState::Kind::Alive}); });
    decoder_.setReadingListener([this](const Reading& reading) {
        // The first reply after switching on; after a loss the watchdog says when it is back.
        changeLinkState({LinkState::Kind::Alive}, LinkState::Kind::Waiting);
        emit events_.readingDecoded(reading);
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
    changeLinkState({on ? LinkState::Kind::Waiting : LinkState::Kind::Off});
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
            emit events_.registered(bInverterAdrNow, *serial);
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
    case RefreshState::Unattended:
        if (unattendedOn_) {
            refreshTick(RefreshState::RealtimeConnected);
        } else {
            // The first refresh settles the registration progress before the switch goes on,
            // so the polls carry the read control code from the first on.
            refreshTick(RefreshState::RealtimeDisconnected);
            unattendedOn_ = true;
            OnChangeUseriSwitchLEDX0(true);
        }
        return;
    }
    registration_.RegistProgressBar();
}

std::optional<InverterModel> MonitorEngine::rowToRecord() const
{
    if (!recordingEnabled_)
        return std::nullopt;
    InverterModel snapshot = model_.snapshot();
    if (!snapshot.realtimeDecoded)
        return std::nullopt;
    return snapshot;
}

LinkState MonitorEngine::linkState() const
{
    std::lock_guard lock(linkStateMutex_);
    return linkState_;
}

void MonitorEngine::changeLinkState(LinkState next, std::optional<LinkState::Kind> from)
{
    {
        std::lock_guard lock(linkStateMutex_);
        if ((from && linkState_.kind != *from) || linkState_ == next)
            return;
        linkState_ = next;
    }
    emit events_.linkStateChanged(next);
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
        emit events_.registered(bInverterAdrNow, *serial);
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
