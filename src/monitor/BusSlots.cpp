#include "monitor/BusSlots.h"

namespace veltroma {

BusSlots::BusSlots(InverterSlots configured, std::int64_t retryGapMs)
    : count_(configured.count), retryGapMs_(retryGapMs)
{
    for (int slot = 1; slot <= InverterSlots::kMaxCount; ++slot) {
        SlotStatus& status = slots_[std::size_t(slot)].status;
        status.serial = configured.serials[std::size_t(slot)];
        status.kept = !status.serial.isEmpty();
    }
}

int BusSlots::count() const
{
    std::lock_guard lock(mutex_);
    return count_;
}

SlotStatus BusSlots::status(int slot) const
{
    std::lock_guard lock(mutex_);
    if (slot < 1 || slot > InverterSlots::kMaxCount)
        return {};
    return slots_[std::size_t(slot)].status;
}

std::vector<int> BusSlots::knownSlots() const
{
    std::lock_guard lock(mutex_);
    std::vector<int> known;
    for (int slot = 1; slot <= count_; ++slot) {
        if (!slots_[std::size_t(slot)].status.serial.isEmpty())
            known.push_back(slot);
    }
    return known;
}

std::optional<int> BusSlots::freeSlot() const
{
    std::lock_guard lock(mutex_);
    return freeSlotLocked();
}

std::optional<int> BusSlots::freeSlotLocked() const
{
    for (int slot = 1; slot <= count_; ++slot) {
        if (slots_[std::size_t(slot)].status.serial.isEmpty())
            return slot;
    }
    return std::nullopt;
}

std::optional<int> BusSlots::slotOf(const QString& serial) const
{
    std::lock_guard lock(mutex_);
    if (serial.isEmpty())
        return std::nullopt;
    for (int slot = 1; slot <= count_; ++slot) {
        if (slots_[std::size_t(slot)].status.serial == serial)
            return slot;
    }
    return std::nullopt;
}

void BusSlots::connectionStarted()
{
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) {
        slot.status.registered = false;
        slot.status.lost = false;
        slot.missed = 0;
        slot.lastAttemptMs.reset();
    }
    lastSearchMs_.reset();
}

void BusSlots::take(int slot, const QString& serial, bool kept)
{
    std::lock_guard lock(mutex_);
    SlotStatus& status = slots_[std::size_t(slot)].status;
    status.serial = serial;
    status.kept = kept;
}

void BusSlots::markKept(int slot)
{
    std::lock_guard lock(mutex_);
    slots_[std::size_t(slot)].status.kept = true;
}

void BusSlots::releaseUnkept()
{
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) {
        if (!slot.status.kept)
            slot.status.serial.clear();
    }
}

void BusSlots::markRegistered(int slot)
{
    std::lock_guard lock(mutex_);
    Slot& s = slots_[std::size_t(slot)];
    s.status.registered = true;
    s.missed = 0;
}

void BusSlots::forget(int slot)
{
    std::lock_guard lock(mutex_);
    if (slot < 1 || slot > InverterSlots::kMaxCount)
        return;
    slots_[std::size_t(slot)] = Slot{};
}

std::vector<int> BusSlots::polledSlots() const
{
    std::lock_guard lock(mutex_);
    std::vector<int> polled;
    for (int slot = 1; slot <= count_; ++slot) {
        const SlotStatus& status = slots_[std::size_t(slot)].status;
        if (status.registered && !status.lost)
            polled.push_back(slot);
    }
    return polled;
}

void BusSlots::heard(int slot, const QDateTime& when)
{
    std::lock_guard lock(mutex_);
    if (slot < 1 || slot > InverterSlots::kMaxCount)
        return;
    Slot& s = slots_[std::size_t(slot)];
    s.missed = 0;
    s.status.lost = false;
    s.status.registered = true;
    s.status.lastSeen = when;
}

bool BusSlots::cycleDone(int slot, bool answered)
{
    std::lock_guard lock(mutex_);
    Slot& s = slots_[std::size_t(slot)];
    ++s.status.cycles;
    if (answered) {
        s.missed = 0;
        return false;
    }
    ++s.status.missedCycles;
    // One inverter is lost only with the whole link, when nothing has answered for 20 s.
    if (count_ == 1 || s.status.lost || ++s.missed < kMissedCyclesLost)
        return false;
    s.status.lost = true;
    // The first attempt to assign it again comes with the next round.
    s.lastAttemptMs.reset();
    return true;
}

void BusSlots::allLost()
{
    std::lock_guard lock(mutex_);
    for (int slot = 1; slot <= count_; ++slot) {
        if (!slots_[std::size_t(slot)].status.serial.isEmpty())
            slots_[std::size_t(slot)].status.registered = false;
    }
}

std::vector<int> BusSlots::reassignmentsDue(std::int64_t nowMs)
{
    std::lock_guard lock(mutex_);
    std::vector<int> dueSlots;
    for (int slot = 1; slot <= count_; ++slot) {
        Slot& s = slots_[std::size_t(slot)];
        const bool waiting = s.status.lost || !s.status.registered;
        if (!s.status.serial.isEmpty() && waiting && due(s.lastAttemptMs, nowMs))
            dueSlots.push_back(slot);
    }
    return dueSlots;
}

bool BusSlots::searchDue(std::int64_t nowMs)
{
    std::lock_guard lock(mutex_);
    return freeSlotLocked() && due(lastSearchMs_, nowMs);
}

bool BusSlots::due(std::optional<std::int64_t>& lastMs, std::int64_t nowMs) const
{
    if (lastMs && nowMs - *lastMs < retryGapMs_)
        return false;
    lastMs = nowMs;
    return true;
}

} // namespace veltroma
