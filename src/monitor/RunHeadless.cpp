#include "monitor/RunHeadless.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/SettingsStartup.h"
#include "config/Strings.h"
#include "monitor/ConsolePrompt.h"
#include "monitor/HeadlessLog.h"
#include "monitor/MonitorSession.h"
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
    // A logger started before its adapter is plugged in waits for it: the channel opens the
    // port again by itself, and the loss is reported like any other until the inverter answers.
    const QString portName = settings.portDescription.section(QLatin1Char(','), 0, 0);
    if (!channel.ChannelOK()) {
        std::fprintf(stderr, "%s is not open; waiting for it\n", portName.toUtf8().constData());
        std::fflush(stderr);
    }

    // A reader of the rows that goes away must not end the logger.
    std::signal(SIGPIPE, SIG_IGN);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, qApp, &QCoreApplication::quit);

    QtScheduleTimers timers;
    MonitorSession session({channel, steadyClock(), timers, g_szCurPath(), g_LoadString,
                            [] { return QDateTime::currentDateTime(); }, portName});
    HeadlessLog log(channel, stdout, stderr);
    log.listenTo(session.events());
    QObject::connect(&stopSignals, &StopSignals::reportRequested, &log, &HeadlessLog::printCounters);
    const HeadlessExtra added = addOn ? addOn(session, g_szSettingPath()) : HeadlessExtra{};
    log.setExtraCounters(added.countersText);
    session.start();
    QCoreApplication::exec();
    session.stop();
    log.printCounters();
    return 0;
}

} // namespace veltroma
