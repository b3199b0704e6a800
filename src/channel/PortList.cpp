#include "channel/PortList.h"

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

QStringList availablePortNames()
{
    QStringList names;
    for (int port = 1; port <= 9; ++port)
        names << QStringLiteral("COM%1").arg(port);

    QStringList system;
    for (const auto& info : QSerialPortInfo::availablePorts())
        system << info.systemLocation();
    system.removeDuplicates();
    std::sort(system.begin(), system.end(), [](const QString& a, const QString& b) {
        return splitTrailingNumber(a) < splitTrailingNumber(b);
    });
    return names << system;
}

} // namespace veltroma
