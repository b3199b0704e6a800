#pragma once

#include "config/InverterSlots.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace veltroma {

class ProfileFile;

// The "inverters on the bus" part of the communication settings, without widgets: the count,
// the six slots with their serial numbers and the time each last replied, and the slots the
// user cleared. Nothing is written before save(). User-interface thread.
class InverterSlotsEditor {
public:
    // The time of the slot's last validated reply; an invalid QDateTime: never.
    using LastSeen = std::function<QDateTime(int slot)>;

    // Starts from `stored` (as setting.ini holds it). Without `lastSeen` no slot was seen.
    InverterSlotsEditor(const InverterSlots& stored, LastSeen lastSeen);

    [[nodiscard]] int count() const { return slots_.count; }
    // Takes `count` held within 1..6.
    void setCount(int count);

    // Only the slots up to the count are in use, and only they can be changed.
    [[nodiscard]] bool isEnabled(int slot) const;
    // The slot's serial number; empty when it is free (or cleared).
    [[nodiscard]] QString serial(int slot) const;
    // What the table shows for the serial: the number, or `freeText` for a free slot.
    [[nodiscard]] QString serialText(int slot, const QString& freeText) const;
    // When the slot last replied: the time alone on the day of `now`, the date and time on
    // another day, empty when it never did.
    [[nodiscard]] QString lastSeenText(int slot, const QDateTime& now) const;

    // An enabled slot that holds a serial can be cleared.
    [[nodiscard]] bool canClear(int slot) const;
    // Frees the slot; false (and nothing changes) when canClear() is false.
    bool clear(int slot);
    // The slots cleared so far, lowest first.
    [[nodiscard]] std::vector<int> cleared() const;

    // Writes the count when it changed and empties the serial of every cleared slot; every
    // other line of `file` stays, and so do the serials of the slots not cleared (the engine
    // may have kept a new one meanwhile). Returns the cleared slots whose serial is now empty
    // in the file; `countSaved` tells whether the count, when it had to be written, was.
    struct Saved {
        bool countSaved = true;
        std::vector<int> clearedSlots;
    };
    [[nodiscard]] Saved save(const ProfileFile& file) const;

private:
    [[nodiscard]] static bool inRange(int slot);

    InverterSlots stored_;
    InverterSlots slots_;
    LastSeen lastSeen_;
};

} // namespace veltroma
