#include "monitor/RunHeadless.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "monitor/HeadlessLog.h"
#include "monitor/MonitorSession.h"
#include "monitor/StopSignals.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <cstdio>

namespace veltroma {

int runHeadless(Channel& channel, const QString& portName, const HeadlessAddOn& addOn)
{
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
