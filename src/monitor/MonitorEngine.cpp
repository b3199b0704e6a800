#include "monitor/MonitorEngine.h"

#include "link/Commands.h"
#include "link/LinkHealth.h"

namespace veltroma {

MonitorEngine::MonitorEngine(Setup setup)
    : link_(setup.link, setup.clock),
      busSlots_(setup.inverters, setup.busRetryGapMs),
      decoder_(model_, setup.display, std::move(setup.programFolder), std::move(setup.loadString),
               setup.wallClock),
      poller_(link_, flags_, decoder_, watchdog_),
      registration_(link_, flags_, model_, setup.display, watchdog_, busSlots_),
      worker_(link_, poller_),
      lossReason_(setup.linkName.isEmpty()
                      ? QStringLiteral("no reply from the inverter")
                      : QStringLiteral("no reply from the inverter on %1").arg(setup.linkName)),
      wallClock_(std::move(setup.wallClock)),
      keepSerial_(std::move(setup.keepSerial))
{
    worker_.setBetweenCycles([this](bool answered) { betweenCycles(answered); });
    worker_.setRound([this] { return roundSlots(); },
                     [this](int slot, bool answered) { slotCycleDone(slot, answered); });
    registration_.setConfirm([this](int slot) { return poller_.pollLocked(slot, kFunctionRealtime); });
    watchdog_.onLost([this] {
        recordingEnabled_ = false;
        reRegistration_.request();
        changeLinkState({LinkState::Kind::Lost, wallClock_(), lossReason_});
    });
    watchdog_.onBack([this] { changeLinkState({LinkState::Kind::Alive}); });
    decoder_.setReadingListener([this](const Reading& reading) {
        // The first reply after switching on; after a loss the watchdog says when it is back.
        changeLinkState({LinkState::Kind::Alive}, LinkState::Kind::Waiting);
        busSlots_.heard(reading.slot, reading.instant);
        keepConfirmedSerial(reading.slot);
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
        busSlots_.connectionStarted();
        severalSaid_ = false;
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
        announce(registration_.Register());
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

std::vector<InverterModel> MonitorEngine::rowsToRecord() const
{
    std::vector<InverterModel> rows;
    if (!recordingEnabled_)
        return rows;
    const InverterModel snapshot = model_.snapshot();
    if (!snapshot.realtimeDecoded)
        return rows;
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::optional<Reading>& reading = snapshot.readings[std::size_t(slot)];
        if (!snapshot.live[std::size_t(slot)] || !reading)
            continue;
        InverterModel row = snapshot;
        row.recordSlot = slot;
        row.NewRow = recordRow(*reading);
        // The row goes to the file and sheet of the reply it was built from.
        row.paths = reading->paths;
        rows.push_back(std::move(row));
    }
    return rows;
}

void MonitorEngine::forgetSlot(int slot)
{
    if (!isSlot(slot))
        return;
    busSlots_.forget(slot);
    model_.update([slot](InverterModel& m) {
        m.live[std::size_t(slot)] = false;
        m.sSerialNums[std::size_t(slot)].clear();
    });
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
    if (!link_.link.ChannelOK())
        return;
    const bool linkDue = reRegistration_.due(link_.clock.nowMs(), reopens());
    if (busSlots_.count() > 1) {
        reRegisterBus(linkDue);
        return;
    }
    if (!linkDue)
        return;
    if (LinkHealth* health = link_.link.health())
        health->count(LinkEvent::ReRegistration);
    const auto registered = registration_.Register();
    if (!registered.empty())
        reRegistration_.answered();
    announce(registered);
}

void MonitorEngine::reRegisterBus(bool linkDue)
{
    // A clear broadcast would strip the inverters that still answer of their addresses: after
    // a loss or a reopen every known inverter is assigned again by its serial instead.
    if (linkDue)
        busSlots_.allLost();
    const std::int64_t now = link_.clock.nowMs();
    const std::vector<int> due = busSlots_.reassignmentsDue(now);
    const bool searchDue = busSlots_.searchDue(now);
    if (due.empty() && !searchDue)
        return;
    if (LinkHealth* health = link_.link.health())
        health->count(LinkEvent::ReRegistration);
    if (!due.empty())
        announce(registration_.reassign(due));
    if (searchDue)
        announce(registration_.search());
}

std::vector<int> MonitorEngine::roundSlots() const
{
    // One inverter is polled at its address whether or not its registration was answered.
    if (busSlots_.count() == 1)
        return {bInverterAdrNow};
    return busSlots_.polledSlots();
}

void MonitorEngine::slotCycleDone(int slot, bool answered)
{
    if (!busSlots_.cycleDone(slot, answered))
        return;
    model_.update([slot](InverterModel& m) { m.live[std::size_t(slot)] = false; });
    emit events_.slotLost(slot);
}

void MonitorEngine::announce(const std::vector<Registration::Registered>& registered)
{
    for (const auto& [slot, serial] : registered)
        emit events_.registered(slot, serial);
    // Said once a connection: the search goes on every 30 s, as inverters may still wake or
    // sleep one by one, but the user has been told what to do.
    if (registration_.takeGaveUp() && !severalSaid_.exchange(true))
        emit events_.severalAnswering();
}

void MonitorEngine::keepConfirmedSerial(int slot)
{
    if (busSlots_.count() == 1 || !keepSerial_)
        return;
    const SlotStatus status = busSlots_.status(slot);
    // Only a serial of ten printable characters can be assigned again from the file; one that
    // came with other bytes (shown as '?') stays in this run only.
    if (status.kept || !isSlotSerial(status.serial) || status.serial.contains(u'?'))
        return;
    if (keepSerial_(slot, status.serial))
        busSlots_.markKept(slot);
}

void MonitorEngine::forgetRealtime()
{
    model_.update([](InverterModel& m) {
        m.realtimeDecoded = false;
        m.live.fill(false);
    });
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
