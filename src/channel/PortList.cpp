#include "channel/PortList.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
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

QString describe(const QSerialPortInfo& info)
{
    QStringList parts;
    for (const QString& part : {info.manufacturer(), info.description()}) {
        if (!part.isEmpty() && !parts.contains(part))
            parts << part;
    }
    if (!info.serialNumber().isEmpty())
        parts << QStringLiteral("serial %1").arg(info.serialNumber());
    return parts.join(QStringLiteral(", "));
}

} // namespace

std::vector<PortEntry> availablePorts(const QString& stableFolder)
{
    std::vector<PortEntry> ports;
    for (int port = 1; port <= 9; ++port)
        ports.push_back({QStringLiteral("COM%1").arg(port), {}});

    QHash<QString, QString> descriptions;
    for (const auto& info : QSerialPortInfo::availablePorts())
        descriptions.insert(info.systemLocation(), describe(info));
    QStringList system = descriptions.keys();
    std::sort(system.begin(), system.end(), [](const QString& a, const QString& b) {
        return splitTrailingNumber(a) < splitTrailingNumber(b);
    });
    for (const QString& path : system)
        ports.push_back({path, descriptions.value(path)});

    // The stable names follow the adapter to whatever node it gets after a replug.
    const QDir folder(stableFolder);
    for (const QFileInfo& link :
         folder.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue;
        const QString known = descriptions.value(target);
        ports.push_back({link.absoluteFilePath(),
                         known.isEmpty() ? QStringLiteral("now %1").arg(target)
                                         : QStringLiteral("now %1: %2").arg(target, known)});
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
