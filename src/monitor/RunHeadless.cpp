#include "monitor/RunHeadless.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/SettingsStartup.h"
#include "monitor/ConsolePrompt.h"
#include "monitor/DailyRecorder.h"
#include "monitor/HeadlessMonitor.h"
#include "monitor/StopSignals.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <cstdio>

namespace veltroma {

int runHeadless(const QString& home, const HeadlessAddOn& addOn)
{
    ConsolePrompt prompt(stderr);
    const StartupSettings settings = loadStartupSettings(programFolder(home));

    Channel channel(steadyClock(), prompt);
    channel.COMM_CFG = settings.portDescription;
    channel.PortInit(0);
    // Without a window nobody would notice a logger that has no port: end at once.
    if (!channel.ChannelOK())
        return 1;

    // A reader of the rows that goes away must not end the logger.
    std::signal(SIGPIPE, SIG_IGN);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, qApp, &QCoreApplication::quit);

    // The month file exists from the start, as it does when the window opens.
    LoadDataExecute(LoadDataSet(g_szCurPath(), QDateTime::currentDateTime(), bInverterAdrNow));
    DailyRecorder recorder;
    HeadlessMonitor monitor(channel, steadyClock(), g_szCurPath(), stdout, stderr);
    monitor.setRecorder(&recorder);
    const std::unique_ptr<QObject> added =
        addOn ? addOn(monitor.events(), g_szSettingPath()) : nullptr;
    monitor.start();
    QCoreApplication::exec();
    monitor.stop();
    return 0;
}

} // namespace veltroma
