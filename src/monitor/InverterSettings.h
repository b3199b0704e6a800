#pragma once

#include "config/InverterSlots.h"

#include <QString>

#include <functional>

namespace veltroma {

// The inverters of the bus as a session takes them from setting.ini, and how it keeps a serial
// number found on the bus there.
struct InverterSettings {
    InverterSlots inverters;
    // Any thread: writes the serial into its slot of the file; false when it could not.
    std::function<bool(int slot, const QString& serial)> keepSerial;
};

[[nodiscard]] InverterSettings inverterSettings(const QString& settingPath);

} // namespace veltroma
