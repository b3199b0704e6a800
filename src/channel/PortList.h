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

// A serial port the system reports, or a stable name of one.
struct SystemPort {
    QString path;         // the device node, or the stable name
    QString target;       // for a stable name: the node it names now; else empty
    QString manufacturer; // the USB strings, where the system knows them
    QString product;
    QString serialNumber;
};

// Where Linux keeps names of USB serial adapters that survive a replug.
inline constexpr const char* kStablePortFolder = "/dev/serial/by-id";

// Every port the system reports (sorted as people count them: ttyS2 before ttyS10), then
// the stable names in `stableFolder` by name, each with the node it names now and that
// node's USB strings; a stable name whose node is gone is left out. Any thread.
[[nodiscard]] std::vector<SystemPort> systemPorts(const QString& stableFolder
                                                  = QString::fromLatin1(kStablePortFolder));

// "manufacturer, product, serial N" of the port, each part where known; empty when none is.
[[nodiscard]] QString usbIdentity(const SystemPort& port);

// The ports the settings offer: COM1..COM9, then systemPorts(`stableFolder`); a stable name
// is described by the device it names now.
[[nodiscard]] std::vector<PortEntry> availablePorts(const QString& stableFolder
                                                    = QString::fromLatin1(kStablePortFolder));

// The paths of availablePorts(), in the same order.
[[nodiscard]] QStringList availablePortNames();

} // namespace veltroma
