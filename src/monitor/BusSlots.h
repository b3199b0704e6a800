#pragma once

#include "config/InverterSlots.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace veltroma {

// What the engine knows of one slot of the bus, as the form and the dialogs read it.
struct SlotStatus {
    // Empty: the slot is free.
    QString serial;
    // The serial stands in setting.ini (entered there, or found on the bus and confirmed).
    bool kept = false;
    // Given its bus address in this connection (assigned by serial or found by query).
    bool registered = false;
    // With several inverters: missed three cycles in a row; it answers again with a reading.
    bool lost = false;
    // The last validated reply; invalid before the first.
    QDateTime lastSeen;
    // Cycles (pairs of polls) sent to the slot since the program started, and those that
    // brought no reply.
    std::uint64_t cycles = 0;
    std::uint64_t missedCycles = 0;
    bool operator==(const SlotStatus&) const = default;
};

// The slots of the bus while the engine runs: which serial stands in which slot, which were
// given their address in this connection, which answer, and when each is due for another
// attempt. Slot k is bus address k for good.
//
// Thread-safe: the worker and the registration change it, the user-interface thread reads it.
class BusSlots {
public:
    // A slot that misses this many cycles in a row is lost on its own.
    static constexpr int kMissedCyclesLost = 3;
    // A lost slot is assigned again, and free slots are searched, at most this often.
    static constexpr std::int64_t kRetryGapMs = 30'000;

    explicit BusSlots(InverterSlots configured, std::int64_t retryGapMs = kRetryGapMs);

    // How many inverters the bus carries, 1..6.
    [[nodiscard]] int count() const;
    [[nodiscard]] SlotStatus status(int slot) const;
    // The slots with a serial number, lowest first.
    [[nodiscard]] std::vector<int> knownSlots() const;
    // The lowest free slot up to count(); none when every one is taken.
    [[nodiscard]] std::optional<int> freeSlot() const;
    [[nodiscard]] std::optional<int> slotOf(const QString& serial) const;

    // The connection was switched on: nothing is registered or lost, and every retry is due.
    void connectionStarted();
    // A query found `serial`; it stands in `slot` from now on, `kept` when it is already in
    // setting.ini.
    void take(int slot, const QString& serial, bool kept);
    void markKept(int slot);
    // Empties the slots whose serial is not kept (one inverter is queried afresh each time).
    void releaseUnkept();
    // The slot's inverter was given its address (by serial or after a query).
    void markRegistered(int slot);
    // The user emptied the slot in the settings: it is free and polled no more.
    void forget(int slot);

    // The slots the next round polls, lowest first: registered and not lost.
    [[nodiscard]] std::vector<int> polledSlots() const;
    // A realtime reply of `slot` was decoded at `when`: it has its address and answers.
    void heard(int slot, const QDateTime& when);
    // The end of `slot`'s cycle in a round, `answered` when either of its exchanges brought a
    // validated reply. Returns true when this cycle has made the slot lost.
    bool cycleDone(int slot, bool answered);
    // The link was declared lost or reopened: every known slot is to be assigned again.
    void allLost();

    // Known slots that are lost (or not yet registered) and due for another assignment at
    // `nowMs`; each one returned counts as an attempt made then.
    [[nodiscard]] std::vector<int> reassignmentsDue(std::int64_t nowMs);
    // True when a free slot is to be searched by query at `nowMs` (counted as an attempt).
    [[nodiscard]] bool searchDue(std::int64_t nowMs);

private:
    struct Slot {
        SlotStatus status;
        int missed = 0;
        std::optional<std::int64_t> lastAttemptMs;
    };

    [[nodiscard]] std::optional<int> freeSlotLocked() const;
    [[nodiscard]] bool due(std::optional<std::int64_t>& lastMs, std::int64_t nowMs) const;

    mutable std::mutex mutex_;
    int count_;
    std::int64_t retryGapMs_;
    std::array<Slot, InverterSlots::kMaxCount + 1> slots_;
    std::optional<std::int64_t> lastSearchMs_;
};

} // namespace veltroma
