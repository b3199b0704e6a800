#include "monitor/HeadlessLog.h"

#include "monitor/EngineEvents.h"
#include "monitor/LinkCountersLine.h"
#include "monitor/MonitorSession.h"

#include <QDateTime>

namespace veltroma {

QByteArray headlessHeader()
{
    return "time\tinverter\tdc_voltage\tac_voltage\tfrequency\tac_power\tenergy_today\t"
           "minutes_today\tenergy_total\thours_total\ttemperature\tstate\n";
}

QByteArray headlessLine(const Reading& reading)
{
    QStringList fields = recordRow(reading);
    // The record row's time of day gives way to the full local time and the slot.
    fields.removeFirst();
    while (fields.size() < int(kQuantityCount) + 1)
        fields.append(QString());
    fields.prepend(QString::number(reading.slot));
    fields.prepend(reading.paths.recordedAt.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")));
    return fields.join(QLatin1Char('\t')).toUtf8() + '\n';
}

HeadlessLog::HeadlessLog(ByteLink& link, std::FILE* out, std::FILE* err, QObject* parent)
    : QObject(parent), link_(link), out_(out), err_(err)
{
}

void HeadlessLog::listenTo(MonitorSession& session, bool everyReply)
{
    const QByteArray header = headlessHeader();
    std::fwrite(header.constData(), 1, static_cast<std::size_t>(header.size()), out_);
    std::fflush(out_);
    EngineEvents& events = session.events();
    connect(&session, &MonitorSession::rowRecorded, this, [this] { ++rowsRecorded_; });
    if (everyReply) {
        connect(&events, &EngineEvents::readingDecoded, this, &HeadlessLog::printReading,
                Qt::QueuedConnection);
    } else {
        connect(&session, &MonitorSession::rowRecorded, this, &HeadlessLog::printReading,
                Qt::QueuedConnection);
    }
    connect(&events, &EngineEvents::slotLost, this, &HeadlessLog::slotLost, Qt::QueuedConnection);
    // One inverter's registrations are the quiet routine they always were.
    if (session.engine().busSlots().count() > 1) {
        connect(&events, &EngineEvents::registered, this, [this](int slot, const QString& serial) {
            printEvent(QStringLiteral("inverter %1 registered: %2").arg(slot).arg(serial));
        }, Qt::QueuedConnection);
    }
    connect(&events, &EngineEvents::severalAnswering, this, [this] {
        printEvent(QStringLiteral("several inverters answer at once: connect them one at a time, "
                                  "or enter their serial numbers as Serial1..Serial6 in the "
                                  "[Inverters] section of setting.ini"));
    }, Qt::QueuedConnection);
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
    if (state.kind == LinkState::Kind::Lost) {
        printEvent(QStringLiteral("link lost: ") + state.reason);
        lostSince_ = QDateTime::currentDateTime();
    } else if (lastLink_ == LinkState::Kind::Lost) {
        if (state.kind == LinkState::Kind::Alive)
            printEvent(QStringLiteral("link back"));
        lostSeconds_ += lostSince_.secsTo(QDateTime::currentDateTime());
        lostSince_ = {};
    }
    lastLink_ = state.kind;
}

void HeadlessLog::printExitSummary()
{
    qint64 lost = lostSeconds_;
    if (lostSince_.isValid())
        lost += lostSince_.secsTo(QDateTime::currentDateTime());
    const LinkHealth* health = link_.health();
    const LinkCounters counters = health ? health->snapshot() : LinkCounters{};
    printEvent(QStringLiteral("stopped: %1 rows recorded, link lost for %2 s in all, last error %3")
                   .arg(rowsRecorded_)
                   .arg(lost)
                   .arg(counters.lastError.isEmpty() ? QStringLiteral("none")
                                                     : QString(counters.lastError).replace(u'\n', u' ')));
    printCounters();
}

void HeadlessLog::slotLost(int slot)
{
    printEvent(QStringLiteral("inverter %1 lost: no reply for three cycles").arg(slot));
}

void HeadlessLog::printCounters()
{
    const LinkHealth* health = link_.health();
    QString line = linkCountersLine(health ? health->snapshot() : LinkCounters{});
    if (const QString extra = extraCounters_ ? extraCounters_() : QString(); !extra.isEmpty())
        line += QStringLiteral("; ") + extra;
    printEvent(line);
}

void printEventLine(std::FILE* err, const QString& event)
{
    const QByteArray time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
    std::fprintf(err, "%s %s\n", time.constData(), event.toUtf8().constData());
    std::fflush(err);
}

void HeadlessLog::printEvent(const QString& event)
{
    printEventLine(err_, event);
}

} // namespace veltroma
