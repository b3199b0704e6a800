#include "cli/ListPorts.h"

#include "channel/PortDescription.h"
#include "cli/ProgramOptions.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/SettingsStartup.h"

#include <QDir>

namespace veltroma {

namespace {

// /dev/ttyS0../dev/ttyS8 are what COM1..COM9 open here.
QString comAlias(const QString& path)
{
    for (int port = 1; port <= 9; ++port) {
        const QString device = comDeviceName(port);
        if (path == device && !device.startsWith(QStringLiteral("COM")))
            return QStringLiteral(" (COM%1)").arg(port);
    }
    return {};
}

PortInUse portInUse(const ProgramOptions& options)
{
    if (!options.port.isEmpty())
        return {options.port, QStringLiteral("--port")};
    // Read only: listing the ports changes nothing in the program folder.
    const QString settingPath = programFolder(options.home) + QStringLiteral("setting.ini");
    const QString commNum =
        ProfileFile(settingPath).read(QStringLiteral("Setting"), QStringLiteral("CommNum"));
    if (commNum.isEmpty())
        return {QString::fromUtf16(kDefaultPortDescription), QStringLiteral("default")};
    return {commNum, QStringLiteral("setting.ini")};
}

} // namespace

QStringList portListLines(const std::vector<SystemPort>& ports, const PortInUse& inUse)
{
    const auto parsed = parsePortDescription(inUse.description);
    const QString device = parsed ? parsed->device : QString();
    const QString mark = QStringLiteral("  <- in use (%1)").arg(inUse.source);

    QStringList lines;
    bool marked = false;
    for (const SystemPort& port : ports) {
        QString line = port.path + comAlias(port.path);
        if (!port.target.isEmpty())
            line += QStringLiteral(" -> ") + port.target + comAlias(port.target);
        if (const QString identity = usbIdentity(port); !identity.isEmpty())
            line += QStringLiteral("  ") + identity;
        if (!device.isEmpty() && port.path == device) {
            line += mark;
            marked = true;
        }
        lines << line;
    }
    if (!parsed)
        lines << notAPortMessage(QStringLiteral("CommNum"), inUse.description);
    else if (!marked)
        lines << portNameForUser(inUse.description) + mark
                     + QStringLiteral(", not reported by the system");
    return lines;
}

ExitCode runListPorts(const ProgramOptions& options, std::FILE* out)
{
    for (const QString& line : portListLines(systemPorts(), portInUse(options)))
        std::fprintf(out, "%s\n", line.toUtf8().constData());
    std::fflush(out);
    return ExitCode::Ok;
}

} // namespace veltroma
