#include "channel/PortFault.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace veltroma {

namespace {

// The port reports "permission" both for a device node the user may not open and for one
// another program holds; only the node's access rights tell the two apart.
bool mayOpen(const QString& device)
{
    const QByteArray path = QFile::encodeName(device);
    return ::access(path.constData(), R_OK | W_OK) == 0;
}

// A device policy (the service unit's DevicePolicy=, a container's device list) refuses the
// open with EPERM, which the port reports as the same permission error; only the system's
// text, made from the same errno, tells it from a port another program holds.
bool refusedByDevicePolicy(const QString& systemText)
{
    return systemText == QString::fromLocal8Bit(std::strerror(EPERM));
}

} // namespace

QString describePortFault(QSerialPort::SerialPortError error, const QString& device,
                          const QString& systemText)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1 does not exist: is the adapter plugged in?").arg(device);
    case QSerialPort::PermissionError:
        if (QFileInfo::exists(device) && !mayOpen(device))
            return QStringLiteral("permission denied on %1: add your user to the dialout group "
                                  "(sudo usermod -aG dialout $USER) and log in again")
                .arg(device);
        if (refusedByDevicePolicy(systemText))
            return QStringLiteral("%1: %2: the system's device policy refuses it (a service "
                                  "unit needs a DeviceAllow= line for it)")
                .arg(device, systemText);
        return QStringLiteral("%1 is busy: another program holds it (for example the headless "
                              "logger running as a service)")
            .arg(device);
    case QSerialPort::ResourceError:
        return QStringLiteral("%1 has gone away (unplugged?)").arg(device);
    default:
        break;
    }
    return systemText.isEmpty() ? QStringLiteral("%1 cannot be used").arg(device)
                                : QStringLiteral("%1: %2").arg(device, systemText);
}

} // namespace veltroma
