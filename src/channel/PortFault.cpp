#include "channel/PortFault.h"

#include <QFileInfo>

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
