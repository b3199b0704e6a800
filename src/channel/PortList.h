#pragma once

#include <QStringList>

namespace veltroma {

// The ports the settings offer: COM1..COM9, then every port the system reports, by path.
[[nodiscard]] QStringList availablePortNames();

} // namespace veltroma
