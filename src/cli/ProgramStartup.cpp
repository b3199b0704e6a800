#include "cli/ProgramStartup.h"

#include "channel/Channel.h"
#include "channel/PortDescription.h"
#include "config/ProgramPaths.h"

#include <QFileInfo>

namespace veltroma {

ProgramStart startProgram(const QString& home, Channel* port, const PortChoice& choice)
{
    ProgramStart start;
    start.folder = programFolder(home);
    // Settings, language files and records would all fail later, one by one and unseen.
    if (auto problem = prepareProgramFolder(start.folder)) {
        start.failure = std::move(problem);
        return start;
    }
    start.note = tightenProgramFolder(start.folder);
    start.settings = loadStartupSettings(start.folder);
    if (!choice.description.isEmpty()) {
        start.settings.portDescription = choice.description;
        start.settings.portIsDefault = false;
        if (choice.save && !storePortDescription(choice.description)) {
            start.failure = QStringLiteral("cannot store CommNum=%1 in %2")
                                .arg(choice.description, g_szSettingPath());
            return start;
        }
    }
    if (!parsePortDescription(start.settings.portDescription)) {
        const QString source = choice.description.isEmpty() ? QStringLiteral("CommNum")
                                                             : QStringLiteral("--port");
        start.portProblem = notAPortMessage(source, start.settings.portDescription);
        // Kept so that what the program shows as its port is what was given.
        if (port != nullptr)
            port->COMM_CFG = start.settings.portDescription;
        return start;
    }
    if (port != nullptr)
        openPort(*port, start.settings);
    return start;
}

ProgramStart findProgram(const QString& home)
{
    ProgramStart start;
    start.folder = programFolder(home);
    if (!QFileInfo(start.folder).isDir())
        start.failure = QStringLiteral("There is no program folder %1").arg(start.folder);
    return start;
}

bool openPort(Channel& channel, const StartupSettings& settings)
{
    channel.COMM_CFG = settings.portDescription;
    channel.PortInit(0);
    return channel.ChannelOK();
}

} // namespace veltroma
