#include "monitor/RunHeadless.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "monitor/DailyRecorder.h"
#include "monitor/HeadlessMonitor.h"
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

    // The month file exists from the start, as it does when the window opens.
    LoadDataExecute(LoadDataSet(g_szCurPath(), QDateTime::currentDateTime(), bInverterAdrNow));
    DailyRecorder recorder;
    HeadlessMonitor monitor({channel, steadyClock(), g_szCurPath(), portName, stdout, stderr});
    QObject::connect(&stopSignals, &StopSignals::reportRequested, &monitor,
                     &HeadlessMonitor::printCounters);
    monitor.setRecorder(&recorder);
    const HeadlessExtra added = addOn ? addOn(monitor.events(), g_szSettingPath()) : HeadlessExtra{};
    monitor.setExtraCounters(added.countersText);
    monitor.start();
    QCoreApplication::exec();
    monitor.stop();
    monitor.printCounters();
    return 0;
}

} // namespace veltroma
