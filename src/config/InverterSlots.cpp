#include "config/InverterSlots.h"

#include "config/ProfileFile.h"

#include <algorithm>

namespace veltroma {

namespace {

const QString kSection = QStringLiteral("Inverters");

QString serialKey(int slot)
{
    return QStringLiteral("Serial%1").arg(slot);
}

} // namespace

std::optional<int> InverterSlots::freeSlot() const
{
    for (int slot = 1; slot <= count; ++slot) {
        if (serials[std::size_t(slot)].isEmpty())
            return slot;
    }
    return std::nullopt;
}

std::optional<int> InverterSlots::slotOf(const QString& serial) const
{
    if (serial.isEmpty())
        return std::nullopt;
    for (int slot = 1; slot <= kMaxCount; ++slot) {
        if (serials[std::size_t(slot)] == serial)
            return slot;
    }
    return std::nullopt;
}

bool isSlotSerial(const QString& serial)
{
    return serial.size() == InverterSlots::kSerialLength
        && std::all_of(serial.begin(), serial.end(),
                       [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
}

InverterSlots loadInverterSlots(const ProfileFile& file)
{
    InverterSlots inverters;
    bool ok = false;
    const int count = file.read(kSection, QStringLiteral("Count")).toInt(&ok);
    if (ok)
        inverters.count = std::clamp(count, 1, InverterSlots::kMaxCount);
    for (int slot = 1; slot <= InverterSlots::kMaxCount; ++slot) {
        const QString serial = file.read(kSection, serialKey(slot));
        // A serial named twice belongs to the lower slot: one inverter, one address.
        if (isSlotSerial(serial) && !inverters.slotOf(serial))
            inverters.serials[std::size_t(slot)] = serial;
    }
    return inverters;
}

bool saveSlotSerial(const ProfileFile& file, int slot, const QString& serial)
{
    if (slot < 1 || slot > InverterSlots::kMaxCount || (!serial.isEmpty() && !isSlotSerial(serial)))
        return false;
    return file.write(kSection, serialKey(slot), serial);
}

bool saveInverterCount(const ProfileFile& file, int count)
{
    if (count < 1 || count > InverterSlots::kMaxCount)
        return false;
    return file.write(kSection, QStringLiteral("Count"), QString::number(count));
}

bool mayTalkWithoutAddress(int count)
{
    return count == 1;
}

} // namespace veltroma
