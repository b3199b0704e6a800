#pragma once

#include <QString>

#include <array>
#include <optional>

namespace veltroma {

class ProfileFile;

// The inverters on the bus: the [Inverters] section of setting.ini. Slot k is bus address k,
// the folder Data/Inverter<k>, list row k and slot switch k, for good: a serial number found
// on the bus is written into its slot and kept there, and nothing ever renumbers.
struct InverterSlots {
    static constexpr int kMaxCount = 6;
    static constexpr int kSerialLength = 10;

    // How many inverters the bus carries, 1..6.
    int count = 1;
    // The serial number of each slot 1..6 (entry 0 unused); empty: the slot is free.
    std::array<QString, kMaxCount + 1> serials;

    // The lowest free slot up to `count`; none when every one is taken.
    [[nodiscard]] std::optional<int> freeSlot() const;
    // The slot that holds `serial`; none when no slot does.
    [[nodiscard]] std::optional<int> slotOf(const QString& serial) const;
    bool operator==(const InverterSlots&) const = default;
};

// Whether `serial` can stand in a slot: ten printable ASCII characters.
[[nodiscard]] bool isSlotSerial(const QString& serial);

// The [Inverters] section of `file`. A missing or unreadable Count is 1, one outside 1..6 is
// taken as the nearest of them; a serial that is not ten printable characters leaves its
// slot free, and so does one already held by a lower slot.
[[nodiscard]] InverterSlots loadInverterSlots(const ProfileFile& file);

// Writes the serial of `slot` (1..6), or empties it; every other line stays. False for a slot
// outside 1..6, a serial isSlotSerial() refuses, or a file that cannot be written.
bool saveSlotSerial(const ProfileFile& file, int slot, const QString& serial);

// Writes how many inverters the bus carries; every other line stays. False for a count
// outside 1..6 or a file that cannot be written.
bool saveInverterCount(const ProfileFile& file, int count);

// Whether commands that carry no inverter address (the display unit at its fixed address, the
// raw service commands) may go out on a bus of `count` inverters: only when one is there
// alone, since otherwise every inverter answers at once and the replies collide.
[[nodiscard]] bool mayTalkWithoutAddress(int count);

} // namespace veltroma
