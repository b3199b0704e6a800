#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace veltroma {

class Channel;

// The port part of a port description: the text before its first comma.
[[nodiscard]] QString PortOfDescription(const QString& description);

// The ports the communication settings offer: `available` (COM1..COM9, then the system's
// ports) and, at the end, the device that `current` names when the system does not report
// it (a pseudo-terminal or a symbolic link), so that the port in use can always be kept.
[[nodiscard]] QStringList ComPortChoices(const QStringList& available, const QString& current);

// The entry to preselect for a stored port description: the entry equal to its port
// (without regard to case); for a COM name without such an entry, the first entry that
// begins with its first four characters. None when nothing matches.
[[nodiscard]] std::optional<int> PreselectedPort(const QStringList& ports, const QString& description);

// The description the settings store for a chosen port: "COM3" -> "COM3,9600,8,N,1".
[[nodiscard]] QString ComCfgString(const QString& port);

// Makes `description` the channel's, reopens the port with it (a failure is reported by the
// channel) and stores it as CommNum, also when the port did not open, so that the next start
// tries the same port.
void ApplyPortDescription(Channel& channel, const QString& description);

} // namespace veltroma
