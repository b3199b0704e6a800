#pragma once

#include <QString>

namespace veltroma::soak {

// While on, every save of a month file fails as on a full disk.
void setDiskFull(bool full);

// Damages the file between two saves: its first half stays, the rest is gone, as after a
// copy cut short. False when the file could not be changed.
bool damageFile(const QString& path);

} // namespace veltroma::soak
