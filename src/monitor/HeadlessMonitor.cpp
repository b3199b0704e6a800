#include "monitor/HeadlessMonitor.h"

#include "config/Strings.h"

#include <QDateTime>

namespace veltroma {

namespace {
constexpr int kRefreshMs = 1000;
constexpr int kRecordingMs = 180000;
constexpr int kWatchdogMs = 500;
} // namespace

HeadlessMonitor::HeadlessMonitor(ByteLink& link, Clock& clock, const QString& programFolder,
                                 std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent),
      engine_({link, clock, display_, programFolder, g_LoadString,
               [] { return QDateTime::currentDateTime(); }}),
      out_(out),
      err_(err)
{
    // Rows are built on the worker; they are written here, on this object's thread, so that
    // a stop never cuts a line in half.
    EngineEvents& events = engine_.events();
    connect(&events, &EngineEvents::rowBuilt, this, &HeadlessMonitor::printRow,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkLost, this, [this] { printEvent("link lost"); });
    connect(&events, &EngineEvents::linkBack, this, [this] { printEvent("link back"); });
    connect(&events, &EngineEvents::recordingState, this, [this](const RecordingState& state) {
        for (const QString& line : recordingLog_.linesFor(state))
            printEvent(line.toUtf8().constData());
    });

    refreshTimer_.setInterval(kRefreshMs);
    recordingTimer_.setInterval(kRecordingMs);
    watchdogTimer_.setInterval(kWatchdogMs);
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
    engine_.refreshTick(switchOn_ ? RefreshState::RealtimeConnected
                                  : RefreshState::RealtimeDisconnected);
    syncRecordingTimer();
    if (!switchOn_) {
        switchOn_ = true;
        engine_.OnChangeUseriSwitchLEDX0(true);
    }
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

void HeadlessMonitor::printEvent(const char* event)
{
    const QByteArray time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(err_, "%s %s\n", time.constData(), event);
    std::fflush(err_);
}

} // namespace veltroma
