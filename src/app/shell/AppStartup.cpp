#include "app/shell/AppStartup.h"

#include "channel/Channel.h"

namespace veltroma {

StartupSettings OpenProgramFolder(Channel& channel, const QString& folder)
{
    StartupSettings settings = loadStartupSettings(folder);
    channel.COMM_CFG = settings.portDescription;
    channel.PortInit(0);
    return settings;
}

} // namespace veltroma
