#include "monitor/InverterSettings.h"

#include "config/ProfileFile.h"

#include <mutex>

namespace veltroma {

InverterSettings inverterSettings(const QString& settingPath)
{
    const ProfileFile file(settingPath);
    return {loadInverterSlots(file), [settingPath](int slot, const QString& serial) {
                // Serials of several inverters may be confirmed one right after another.
                static std::mutex writing;
                std::lock_guard lock(writing);
                return saveSlotSerial(ProfileFile(settingPath), slot, serial);
            }};
}

} // namespace veltroma
