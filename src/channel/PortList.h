#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace veltroma {

// One port the settings offer: the path stored in CommNum, and what identifies the device
// behind it for the person choosing (empty for the plain COM names).
struct PortEntry {
    QString path;
    QString description;
};

// Where Linux keeps names of USB serial adapters that survive a replug.
inline constexpr const char* kStablePortFolder = "/dev/serial/by-id";

// The ports the settings offer: COM1..COM9, every port the system reports (with its USB
// manufacturer, product and serial number), then the stable names in `stableFolder`, each
// described by the device it names now.
[[nodiscard]] std::vector<PortEntry> availablePorts(const QString& stableFolder
                                                    = QString::fromLatin1(kStablePortFolder));

// The paths of availablePorts(), in the same order.
[[nodiscard]] QStringList availablePortNames();

} // namespace veltroma
