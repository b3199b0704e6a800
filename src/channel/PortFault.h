#pragma once

#include <QSerialPort>
#include <QString>

namespace veltroma {

// Why a port could not be opened or was lost, in words that name the cause and, where one
// is known, the cure. `device` is the path that was opened; `systemText` the port's own
// error text, used when nothing better is known.
[[nodiscard]] QString describePortFault(QSerialPort::SerialPortError error, const QString& device,
                                        const QString& systemText);

} // namespace veltroma
