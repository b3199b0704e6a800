#include "monitor/HeadlessMonitor.h"

#include "config/Strings.h"
#include "monitor/LinkCountersLine.h"

#include <QDateTime>

namespace veltroma {

HeadlessMonitor::HeadlessMonitor(Setup setup, QObject* parent)
    : QObject(parent),
      link_(setup.link),
      engine_({setup.link, setup.clock, display_, setup.programFolder, g_LoadString,
               [] { return QDateTime::currentDateTime(); }, setup.linkName}),
      out_(setup.out),
      err_(setup.err)
{
    // Rows are built on the worker; they are written here, on this object's thread, so that
    // a stop never cuts a line in half.
    EngineEvents& events = engine_.events();
    connect(&events, &EngineEvents::rowBuilt, this, &HeadlessMonitor::printRow,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkLost, this, [this](const QString& reason) {
        printEvent(QStringLiteral("link lost: ") + reason);
    });
    connect(&events, &EngineEvents::linkBack, this,
            [this] { printEvent(QStringLiteral("link back")); });
    connect(&events, &EngineEvents::recordingState, this, [this](const RecordingState& state) {
        for (const QString& line : recordingLog_.linesFor(state))
            printEvent(line);
    });

    refreshTimer_.setInterval(setup.intervals.refreshMs);
    recordingTimer_.setInterval(setup.intervals.recordingMs);
    watchdogTimer_.setInterval(setup.intervals.watchdogMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &HeadlessMonitor::refresh);
    connect(&recordingTimer_, &QTimer::timeout, this, [this] { engine_.recordingTick(); });
    connect(&watchdogTimer_, &QTimer::timeout, this, [this] {
        engine_.watchdogTick();
        syncRecordingTimer();
    });
}

HeadlessMonitor::~HeadlessMonitor()
{
    stop();
}

void HeadlessMonitor::start()
{
    refresh();
    refreshTimer_.start();
    watchdogTimer_.start();
}

void HeadlessMonitor::stop()
{
    refreshTimer_.stop();
    recordingTimer_.stop();
    watchdogTimer_.stop();
    engine_.shutdown();
}

void HeadlessMonitor::refresh()
{
    engine_.unattendedRefreshTick();
    syncRecordingTimer();
}

void HeadlessMonitor::syncRecordingTimer()
{
    // Starting a running timer would restart its 180 seconds.
    if (engine_.recordingEnabled() && !recordingTimer_.isActive())
        recordingTimer_.start();
    else if (!engine_.recordingEnabled())
        recordingTimer_.stop();
}

void HeadlessMonitor::printRow(const QStringList& row)
{
    const QByteArray line = row.join(QLatin1Char('\t')).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    std::fflush(out_);
}

void HeadlessMonitor::printCounters()
{
    const LinkHealth* health = link_.health();
    QString line = linkCountersLine(health ? health->snapshot() : LinkCounters{});
    if (extraCounters_)
        line += QStringLiteral("; ") + extraCounters_();
    printEvent(line);
}

void HeadlessMonitor::printEvent(const QString& event)
{
    const QByteArray time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(err_, "%s %s\n", time.constData(), event.toUtf8().constData());
    std::fflush(err_);
}

} // namespace veltroma
