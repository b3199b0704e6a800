#include "monitor/RunHeadless.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "monitor/HeadlessLog.h"
#include "monitor/InverterSettings.h"
#include "monitor/MonitorSession.h"
#include "monitor/StopSignals.h"

#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <cstdio>

namespace veltroma {

namespace {

// With several inverters, each one's cycles and misses follow the link counters.
QString slotCounters(const BusSlots& busSlots)
{
    QStringList parts;
    for (int slot = 1; busSlots.count() > 1 && slot <= busSlots.count(); ++slot) {
        const SlotStatus status = busSlots.status(slot);
        parts << QStringLiteral("inverter %1 %2: %3 cycles, %4 missed")
                     .arg(slot)
                     .arg(status.serial.isEmpty() ? QStringLiteral("(free)") : status.serial)
                     .arg(status.cycles)
                     .arg(status.missedCycles);
    }
    return parts.join(QStringLiteral("; "));
}

// The port's faults and reopenings come as Qt messages: each is one stamped event line.
void eventLineHandler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    printEventLine(stderr, message);
}

} // namespace

int runHeadless(Channel& channel, const QString& portName, const std::vector<HeadlessAddOn>& addOns,
                bool everyReply)
{
    // A reader of the rows that goes away must not end the logger.
    std::signal(SIGPIPE, SIG_IGN);
    const QtMessageHandler previousHandler = qInstallMessageHandler(eventLineHandler);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, qApp, &QCoreApplication::quit);

    QtScheduleTimers timers;
    InverterSettings bus = inverterSettings(g_szSettingPath());
    MonitorSession::Setup setup{channel, steadyClock(), timers, g_szCurPath(), g_LoadString,
                                [] { return QDateTime::currentDateTime(); }, portName};
    setup.inverters = std::move(bus.inverters);
    setup.keepSerial = std::move(bus.keepSerial);
    MonitorSession session(std::move(setup));
    HeadlessLog log(channel, stdout, stderr);
    log.listenTo(session, everyReply);
    QObject::connect(&stopSignals, &StopSignals::reportRequested, &log, &HeadlessLog::printCounters);
    std::vector<HeadlessExtra> added;
    for (const HeadlessAddOn& addOn : addOns)
        if (addOn)
            added.push_back(addOn(session, g_szSettingPath()));
    log.setExtraCounters([&session, &added] {
        QStringList parts{slotCounters(session.engine().busSlots())};
        for (const HeadlessExtra& extra : added)
            if (extra.countersText)
                parts << extra.countersText();
        parts.removeAll(QString());
        return parts.join(QStringLiteral("; "));
    });
    session.start();
    log.printEvent(QStringLiteral("logging: program folder %1, port %2").arg(g_szCurPath(), portName));
    const QDateTime now = QDateTime::currentDateTime();
    for (int slot = kFirstSlot; slot <= session.engine().busSlots().count(); ++slot) {
        log.printEvent(QStringLiteral("inverter %1 records to %2")
                           .arg(slot)
                           .arg(LoadDataSet(g_szCurPath(), now, slot).sWriteExcelPath));
    }
    QCoreApplication::exec();
    session.stop();
    log.printExitSummary();
    qInstallMessageHandler(previousHandler);
    return 0;
}

} // namespace veltroma
