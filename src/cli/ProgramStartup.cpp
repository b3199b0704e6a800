#include "cli/ProgramStartup.h"

#include "channel/Channel.h"
#include "config/ProgramPaths.h"

#include <QFileInfo>

namespace veltroma {

ProgramStart startProgram(const QString& home, Channel* port)
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
