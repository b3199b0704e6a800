#include "monitor/Registration.h"

#include "link/Commands.h"
#include "monitor/BusSlots.h"
#include "monitor/DisplayUpdates.h"
#include "monitor/ReplyView.h"
#include "monitor/SharedModel.h"
#include "monitor/Watchdog.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace veltroma {

namespace {
constexpr std::int64_t kAfterClearMs = 22;
constexpr std::int64_t kBetweenClearAndQueryMs = 20;
// Colliding answers are asked again after a random pause, so that the inverters' own
// answer delays differ the next time.
constexpr std::int64_t kCollisionPauseMinMs = 500;
constexpr std::int64_t kCollisionPauseMaxMs = 1500;
constexpr unsigned kProgressStep = 10;
constexpr unsigned kProgressEnd = 100;
} // namespace

Registration::Registration(EngineLink& link, EngineFlags& flags, SharedModel& model,
                           DisplayUpdates& display, Watchdog& watchdog, BusSlots& busSlots)
    : link_(link), flags_(flags), model_(model), display_(display), watchdog_(watchdog),
      busSlots_(busSlots)
{
}

std::vector<Registration::Registered> Registration::Register()
{
    std::vector<Registered> registered;
    std::lock_guard lock(link_.link.linkLock());
    // One inverter keeps no serial: whichever inverter is on the link is queried afresh.
    busSlots_.releaseUnkept();
    ClearRegM();
    link_.clock.sleepMs(kBetweenClearAndQueryMs);
    for (const int slot : busSlots_.knownSlots()) {
        if (stopping_)
            return registered;
        assignKnown(slot, registered);
    }
    if (!stopping_)
        searchLocked(registered);
    return registered;
}

std::vector<Registration::Registered> Registration::reassign(const std::vector<int>& knownSlots)
{
    std::vector<Registered> registered;
    std::lock_guard lock(link_.link.linkLock());
    for (const int slot : knownSlots) {
        if (stopping_)
            break;
        // An inverter that kept its address (it was only unreachable) ignores the assignment:
        // a poll tells whether it answers again; its reading marks the slot as heard.
        if (!assignKnown(slot, registered) && confirm_ && confirm_(slot))
            registered.push_back({slot, busSlots_.status(slot).serial});
    }
    return registered;
}

std::vector<Registration::Registered> Registration::search()
{
    std::vector<Registered> found;
    std::lock_guard lock(link_.link.linkLock());
    searchLocked(found);
    return found;
}

void Registration::ClearRegM()
{
    for (int i = 0; i < 2 && !stopping_; ++i) {
        SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                    kFunctionClearAddresses);
        link_.clock.sleepMs(kAfterClearMs);
    }
}

void Registration::searchLocked(std::vector<Registered>& found)
{
    auto& rx = link_.bRxBuffer;
    int collisions = 0;
    while (!stopping_) {
        const std::optional<int> freeSlot = busSlots_.freeSlot();
        if (!freeSlot)
            return;
        SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                    kFunctionQuerySerial);
        const Received received = receiveReply(link_.link, link_.clock, rx, kFirstByteTimeoutMs);
        // One inverter cannot collide with another: a spoilt answer is noise, not asked again.
        if (received.outcome == ReceiveOutcome::Rejected && busSlots_.count() > 1) {
            // Two inverters without an address answered at once and their bytes collided.
            if (++collisions >= kCollisionsGivingUp) {
                gaveUp_ = true;
                return;
            }
            pauseAfterCollision();
            continue;
        }
        if (received.outcome != ReceiveOutcome::Validated)
            return;
        watchdog_.markAlive();
        // A validated frame that is no serial-number answer assigns nothing: its bytes would
        // give a stranger's serial number the bus address.
        if (rx[kOffsetFunction] != (kFunctionQuerySerial | kReplyFlag)
            || rx[kOffsetLength] < kSerialNumberLength || stopping_)
            return;
        collisions = 0;
        const auto serial = std::span<const std::uint8_t>(rx).subspan(kOffsetData, kSerialNumberLength);
        const QString caption = textUpToZero(serial);
        // An inverter that slept through the assignment of its known slot answers the query.
        const int slot = busSlots_.slotOf(caption).value_or(*freeSlot);
        if (!busSlots_.slotOf(caption))
            busSlots_.take(slot, caption, false);
        showSerial(slot, caption);
        assign(slot, serial);
        busSlots_.markRegistered(slot);
        found.push_back({slot, caption});
        // One inverter is queried once, as it always was.
        if (busSlots_.count() == 1)
            return;
        // With several inverters the new address is confirmed by a poll before the next query,
        // and the confirmed serial is kept (the decoder's reading tells the engine).
        if (confirm_)
            confirm_(slot);
        // An inverter without a serial number cannot be told from the next one.
        if (caption.isEmpty())
            return;
    }
}

bool Registration::assignKnown(int slot, std::vector<Registered>& registered)
{
    const QString serial = busSlots_.status(slot).serial;
    const QByteArray bytes = serial.toLatin1();
    showSerial(slot, serial);
    if (!assign(slot, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()))))
        return false;
    busSlots_.markRegistered(slot);
    registered.push_back({slot, serial});
    return true;
}

bool Registration::assign(int slot, std::span<const std::uint8_t> serial)
{
    std::array<std::uint8_t, kSerialNumberLength + 1> assignment{};
    std::copy_n(serial.begin(), std::min<std::size_t>(serial.size(), kSerialNumberLength),
                assignment.begin());
    assignment.back() = static_cast<std::uint8_t>(slot);
    SendRequest(link_.link, link_.bTxBuffer, kBroadcastAddress, kControlRegister,
                kFunctionAssignAddress, assignment);
    return SerialRecvDataBack(link_.link, link_.clock, link_.bRxBuffer, kFirstByteTimeoutMs) > 0;
}

void Registration::showSerial(int slot, const QString& serial)
{
    display_.setSlotCaption(slot, serial);
    model_.update([&](InverterModel& m) { m.sSerialNums[slot] = serial; });
}

void Registration::pauseAfterCollision()
{
    std::uniform_int_distribution<std::int64_t> pause(kCollisionPauseMinMs, kCollisionPauseMaxMs);
    link_.clock.sleepMs(pause(random_));
}

void Registration::RegistProgressBar()
{
    if (RegistStartFlg_ == 1) {
        if (CurPos_ == kProgressEnd) {
            if (progress_)
                progress_->close();
            CurPos_ = 0;
            m_Range_ = kProgressEnd;
            if (progress_)
                progress_->setRange(m_Range_);
            RegistStartFlg_ = 0;
        } else {
            CurPos_ += kProgressStep;
            if (progress_)
                progress_->setPosition(CurPos_);
        }
        return;
    }
    flags_.COMM_CMD = kControlRead;
    flags_.RegistEndFlg = 1;
}

} // namespace veltroma
