#include "app/shell/InverterSlotsEditor.h"

#include "config/ProfileFile.h"

#include <algorithm>

namespace veltroma {

InverterSlotsEditor::InverterSlotsEditor(const InverterSlots& stored, LastSeen lastSeen)
    : stored_(stored), slots_(stored), lastSeen_(std::move(lastSeen))
{
}

bool InverterSlotsEditor::inRange(int slot)
{
    return slot >= 1 && slot <= InverterSlots::kMaxCount;
}

void InverterSlotsEditor::setCount(int count)
{
    slots_.count = std::clamp(count, 1, InverterSlots::kMaxCount);
}

bool InverterSlotsEditor::isEnabled(int slot) const
{
    return inRange(slot) && slot <= slots_.count;
}

QString InverterSlotsEditor::serial(int slot) const
{
    return inRange(slot) ? slots_.serials[std::size_t(slot)] : QString();
}

QString InverterSlotsEditor::serialText(int slot, const QString& freeText) const
{
    const QString number = serial(slot);
    return number.isEmpty() ? freeText : number;
}

QString InverterSlotsEditor::lastSeenText(int slot, const QDateTime& now) const
{
    if (!inRange(slot) || !lastSeen_)
        return {};
    const QDateTime seen = lastSeen_(slot);
    if (!seen.isValid())
        return {};
    const QDateTime local = seen.toLocalTime();
    if (local.date() == now.toLocalTime().date())
        return local.toString(QStringLiteral("HH:mm:ss"));
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool InverterSlotsEditor::canClear(int slot) const
{
    return isEnabled(slot) && !serial(slot).isEmpty();
}

bool InverterSlotsEditor::clear(int slot)
{
    if (!canClear(slot))
        return false;
    slots_.serials[std::size_t(slot)].clear();
    return true;
}

std::vector<int> InverterSlotsEditor::cleared() const
{
    std::vector<int> result;
    for (int slot = 1; slot <= InverterSlots::kMaxCount; ++slot) {
        if (!stored_.serials[std::size_t(slot)].isEmpty() && slots_.serials[std::size_t(slot)].isEmpty())
            result.push_back(slot);
    }
    return result;
}

InverterSlotsEditor::Saved InverterSlotsEditor::save(const ProfileFile& file) const
{
    Saved saved;
    if (slots_.count != stored_.count)
        saved.countSaved = saveInverterCount(file, slots_.count);
    for (const int slot : cleared()) {
        if (saveSlotSerial(file, slot, QString()))
            saved.clearedSlots.push_back(slot);
    }
    return saved;
}

} // namespace veltroma
