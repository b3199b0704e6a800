#include "app/shell/CommSettings.h"

#include "channel/Channel.h"
#include "config/LanguageSettings.h"

namespace veltroma {

namespace {

// The line settings of the link are fixed; only the port is chosen.
const QString kLineSettings = QStringLiteral(",9600,8,N,1");

// The original list's prefix rule looks at the first four characters ("COM5").
constexpr qsizetype kPrefixLength = 4;

bool isDevicePath(const QString& port)
{
    return port.contains(u'/');
}

} // namespace

QString PortOfDescription(const QString& description)
{
    return description.section(u',', 0, 0).trimmed();
}

QStringList ComPortChoices(const QStringList& available, const QString& current)
{
    QStringList ports = available;
    const QString port = PortOfDescription(current);
    if (isDevicePath(port) && !ports.contains(port))
        ports << port;
    return ports;
}

std::optional<int> PreselectedPort(const QStringList& ports, const QString& description)
{
    const QString port = PortOfDescription(description);
    if (!port.isEmpty()) {
        for (int i = 0; i < ports.size(); ++i)
            if (ports[i].compare(port, Qt::CaseInsensitive) == 0)
                return i;
    }
    if (isDevicePath(port))
        return std::nullopt;
    const QString prefix = description.left(kPrefixLength);
    if (prefix.isEmpty())
        return std::nullopt;
    for (int i = 0; i < ports.size(); ++i)
        if (ports[i].startsWith(prefix, Qt::CaseInsensitive))
            return i;
    return std::nullopt;
}

QString ComCfgString(const QString& port)
{
    return port + kLineSettings;
}

void ApplyPortDescription(Channel& channel, const QString& description)
{
    channel.COMM_CFG = description;
    channel.PortInit(0);
    LoadSet(description, LoadSetMode::CommNum);
}

} // namespace veltroma
