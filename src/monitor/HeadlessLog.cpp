#include "monitor/HeadlessLog.h"

#include "monitor/EngineEvents.h"
#include "monitor/LinkCountersLine.h"

#include <QDateTime>

namespace veltroma {

QByteArray headlessLine(const Reading& reading)
{
    return recordRow(reading).join(QLatin1Char('\t')).toUtf8() + '\n';
}

HeadlessLog::HeadlessLog(ByteLink& link, std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), link_(link), out_(out), err_(err)
{
}

void HeadlessLog::listenTo(EngineEvents& events)
{
    connect(&events, &EngineEvents::readingDecoded, this, &HeadlessLog::printReading,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkStateChanged, this, &HeadlessLog::linkStateChanged,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::recordingState, this, [this](const RecordingState& state) {
        for (const QString& line : recordingLog_.linesFor(state))
            printEvent(line);
    }, Qt::QueuedConnection);
}

void HeadlessLog::printReading(const Reading& reading)
{
    const QByteArray line = headlessLine(reading);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out_);
    std::fflush(out_);
}

void HeadlessLog::linkStateChanged(const LinkState& state)
{
    if (state.kind == LinkState::Kind::Lost)
        printEvent(QStringLiteral("link lost: ") + state.reason);
    else if (state.kind == LinkState::Kind::Alive && lastLink_ == LinkState::Kind::Lost)
        printEvent(QStringLiteral("link back"));
    lastLink_ = state.kind;
}

void HeadlessLog::printCounters()
{
    const LinkHealth* health = link_.health();
    QString line = linkCountersLine(health ? health->snapshot() : LinkCounters{});
    if (extraCounters_)
        line += QStringLiteral("; ") + extraCounters_();
    printEvent(line);
}

void HeadlessLog::printEvent(const QString& event)
{
    const QByteArray time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(err_, "%s %s\n", time.constData(), event.toUtf8().constData());
    std::fflush(err_);
}

} // namespace veltroma
