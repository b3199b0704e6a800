#include "channel/PortList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <utility>

namespace veltroma {

namespace {

// "/dev/ttyS10" -> ("/dev/ttyS", 10), so that ports sort as people count them.
std::pair<QString, int> splitTrailingNumber(const QString& path)
{
    qsizetype digits = path.size();
    while (digits > 0 && path.at(digits - 1).isDigit())
        --digits;
    return {path.left(digits), digits < path.size() ? path.mid(digits).toInt() : -1};
}

} // namespace

std::vector<SystemPort> systemPorts(const QString& stableFolder)
{
    std::vector<SystemPort> ports;
    for (const auto& info : QSerialPortInfo::availablePorts()) {
        const QString path = info.systemLocation();
        // The system may report one node twice; it is one port.
        if (std::none_of(ports.begin(), ports.end(),
                         [&](const SystemPort& p) { return p.path == path; }))
            ports.push_back(
                {path, {}, info.manufacturer(), info.description(), info.serialNumber()});
    }
    std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) {
        return splitTrailingNumber(a.path) < splitTrailingNumber(b.path);
    });
    const auto reported = static_cast<std::ptrdiff_t>(ports.size());

    // The stable names follow the adapter to whatever node it gets after a replug.
    const QDir folder(stableFolder);
    for (const QFileInfo& link :
         folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue;
        SystemPort stable{link.absoluteFilePath(), target, {}, {}, {}};
        const auto node = std::find_if(ports.begin(), ports.begin() + reported,
                                       [&](const SystemPort& port) { return port.path == target; });
        if (node != ports.begin() + reported) {
            stable.manufacturer = node->manufacturer;
            stable.product = node->product;
            stable.serialNumber = node->serialNumber;
        }
        ports.push_back(std::move(stable));
    }
    return ports;
}

QString usbIdentity(const SystemPort& port)
{
    QStringList parts;
    for (const QString& part : {port.manufacturer, port.product}) {
        if (!part.isEmpty() && !parts.contains(part))
            parts << part;
    }
    if (!port.serialNumber.isEmpty())
        parts << QStringLiteral("serial %1").arg(port.serialNumber);
    return parts.join(QStringLiteral(", "));
}

std::vector<PortEntry> availablePorts(const QString& stableFolder)
{
    std::vector<PortEntry> ports;
    for (int port = 1; port <= 9; ++port)
        ports.push_back({QStringLiteral("COM%1").arg(port), {}});
    for (const SystemPort& port : systemPorts(stableFolder)) {
        const QString known = usbIdentity(port);
        if (port.target.isEmpty())
            ports.push_back({port.path, known});
        else if (known.isEmpty())
            ports.push_back({port.path, QStringLiteral("now %1").arg(port.target)});
        else
            ports.push_back({port.path, QStringLiteral("now %1: %2").arg(port.target, known)});
    }
    return ports;
}

QStringList availablePortNames()
{
    QStringList names;
    for (const PortEntry& entry : availablePorts())
        names << entry.path;
    return names;
}

} // namespace veltroma
