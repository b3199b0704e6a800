#include "web/WebHub.h"

#include "link/LinkHealth.h"
#include "monitor/CsvExport.h"
#include "monitor/LatestRecord.h"
#include "monitor/MonitorSession.h"
#include "monitor/RecordPaths.h"
#include "web/ApiJson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace veltroma {

namespace {

constexpr qint64 kMsPerSecond = 1000;

const QByteArray kJson = QByteArrayLiteral("application/json");
const QByteArray kCsv = QByteArrayLiteral("text/csv; charset=utf-8");

WebResponse jsonResponse(const QJsonObject& object, int status = 200)
{
    return {status, kJson, compact(object), {{"Cache-Control", "no-store"}}};
}

WebResponse errorResponse(int status, const QString& why)
{
    return jsonResponse({{QStringLiteral("error"), why}}, status);
}

// A parameter of the query, decoded; none when it is not given.
std::optional<QString> parameter(const QUrlQuery& query, const QString& key)
{
    if (!query.hasQueryItem(key))
        return std::nullopt;
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

// "2026-12-09": a day of the calendar, in exactly that form.
std::optional<QDate> dateParameter(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// "2026-12": the first day of that month.
std::optional<QDate> monthParameter(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate first(match.captured(1).toInt(), match.captured(2).toInt(), 1);
    return first.isValid() ? std::optional(first) : std::nullopt;
}

// The inverter a query names, 1 when it names none; none when it is no slot of the bus.
std::optional<int> inverterParameter(const QUrlQuery& query, int count)
{
    const auto text = parameter(query, QStringLiteral("inverter"));
    if (!text)
        return 1;
    static const QRegularExpression digit(QStringLiteral("^[1-9]$"));
    if (!digit.match(*text).hasMatch())
        return std::nullopt;
    const int slot = text->toInt();
    return slot <= count ? std::optional(slot) : std::nullopt;
}

QString monthText(const QDate& first)
{
    return first.toString(QStringLiteral("yyyy-MM"));
}

} // namespace

void WebHub::HeldCounters::hold(std::optional<double>& held, double value)
{
    // A zero or negative total is a reply of an inverter that does not count yet, or a fault.
    if (std::isfinite(value) && value > 0 && (!held || value > *held))
        held = value;
}

WebHub::WebHub(MonitorSession& session, Setup setup, QObject* parent)
    : QObject(parent),
      session_(session),
      setup_(std::move(setup)),
      started_(setup_.now()),
      link_(session.engine().linkState()),
      linkSince_(started_)
{
    if (const LinkHealth* health = session_.link().health())
        lastCounters_ = health->snapshot();
    seedCounters();

    // The engine's events come from its own threads: queued to this one.
    EngineEvents& events = session_.events();
    connect(&events, &EngineEvents::readingDecoded, this, &WebHub::onReading, Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkStateChanged, this, &WebHub::onLinkState, Qt::QueuedConnection);
    connect(&events, &EngineEvents::recordingState, this, &WebHub::onRecordingState,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::registered, this,
            [this](int slot, const QString& serial) {
                if (isSlot(slot))
                    addEvent(WebEvent::Kind::Registered, slot,
                             QStringLiteral("inverter %1 registered in slot %2").arg(serial).arg(slot));
            },
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::slotLost, this,
            [this](int slot) {
                if (!isSlot(slot))
                    return;
                addEvent(WebEvent::Kind::SlotLost, slot,
                         QStringLiteral("slot %1 missed three cycles in a row").arg(slot));
                push("reading", inverterOf(slot));
            },
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::severalAnswering, this,
            [this] {
                addEvent(WebEvent::Kind::SeveralAnswering, std::nullopt,
                         QStringLiteral("several inverters without an address answer at once"));
            },
            Qt::QueuedConnection);
    connect(&session_, &MonitorSession::refreshed, this, &WebHub::onRefreshed);
    connect(&session_, &MonitorSession::rowRecorded, this,
            [this](const Reading&) { ++recordingCounts_.rowsRecorded; });
}

void WebHub::seedCounters()
{
    // A restart within the day never shows lower totals than the rows recorded before it.
    const QDate today = started_.date();
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        const QString folder = LoadDataSet(session_.programFolder(), started_, slot).DataRecordDir2;
        const LatestRecordSearch search = findLatestRecord(folder, today);
        if (!search.record || search.record->recordedAt.date() != today)
            continue;
        HeldCounters& counters = slots_[std::size_t(slot)].counters;
        if (const auto energy = cellNumber(search.record->value(Quantity::Etotal)))
            counters.hold(counters.energyTotalKwh, *energy);
        if (const auto hours = cellNumber(search.record->value(Quantity::Htotal)))
            counters.hold(counters.operatingHours, *hours);
    }
}

int WebHub::slotCount() const
{
    return session_.engine().busSlots().count();
}

bool WebHub::live(int slot) const
{
    // Switched off, waiting for the first reply or lost, the values held are those of before.
    return slots_[std::size_t(slot)].reading.has_value() && link_.kind == LinkState::Kind::Alive
        && !session_.engine().busSlots().status(slot).lost;
}

QJsonObject WebHub::inverterOf(int slot) const
{
    return inverterJson(slot, slots_[std::size_t(slot)].reading,
                        session_.engine().busSlots().status(slot).serial, live(slot), setup_.now());
}

QJsonObject WebHub::linkNow() const
{
    return linkJson(link_, linkSince_);
}

QString WebHub::monthFile(int slot, int year, int month) const
{
    // Built from numbers alone: nothing of the request becomes part of a path.
    return LoadDataSet(session_.programFolder(), QDateTime(QDate(year, month, 1), QTime(0, 0)), slot)
        .sWriteExcelPath;
}

void WebHub::push(const char* type, const QJsonObject& data)
{
    emit serverSentEvent(pushed_.add(QByteArray(type), compact(data)));
}

void WebHub::addEvent(WebEvent::Kind kind, std::optional<int> slot, QString text)
{
    events_.add(setup_.now(), kind, slot, std::move(text));
}

void WebHub::onReading(const Reading& reading)
{
    if (!isSlot(reading.slot))
        return;
    SlotData& data = slots_[std::size_t(reading.slot)];
    data.reading = reading;
    data.today.add(reading.instant, reading.shown(Quantity::Pac));
    if (reading.carries(Quantity::Etotal))
        data.counters.hold(data.counters.energyTotalKwh, reading.shown(Quantity::Etotal));
    if (reading.carries(Quantity::Htotal))
        data.counters.hold(data.counters.operatingHours, reading.shown(Quantity::Htotal));
    noteFault(data, reading);
    push("reading", inverterOf(reading.slot));
}

void WebHub::noteFault(SlotData& data, const Reading& reading)
{
    const bool fault = reading.stateCode == 2 || reading.stateCode == 3 || reading.faultWord != 0;
    if (fault && (!data.faulted || reading.faultWord != data.faultWord)) {
        addEvent(WebEvent::Kind::InverterFault, reading.slot,
                 QStringLiteral("%1 (state %2, fault word 0x%3)")
                     .arg(reading.stateText.value_or(QStringLiteral("fault")))
                     .arg(reading.stateCode)
                     .arg(reading.faultWord, 8, 16, QChar(u'0')));
    } else if (!fault && data.faulted) {
        addEvent(WebEvent::Kind::FaultCleared, reading.slot,
                 QStringLiteral("%1 (state %2)")
                     .arg(reading.stateText.value_or(QStringLiteral("fault cleared")))
                     .arg(reading.stateCode));
    }
    data.faulted = fault;
    data.faultWord = reading.faultWord;
}

void WebHub::onLinkState(const LinkState& state)
{
    const LinkState before = link_;
    link_ = state;
    if (state.kind != before.kind)
        linkSince_ = setup_.now();
    if (state.kind == LinkState::Kind::Lost && before.kind != LinkState::Kind::Lost)
        addEvent(WebEvent::Kind::LinkLost, std::nullopt, state.reason);
    else if (state.kind == LinkState::Kind::Alive && before.kind == LinkState::Kind::Lost)
        addEvent(WebEvent::Kind::LinkBack, std::nullopt, QStringLiteral("replies come again"));
    push("link", linkNow());
}

void WebHub::onRecordingState(const RecordingState& state)
{
    if (state.failing && !recording_.failing) {
        ++recordingCounts_.failures;
        addEvent(WebEvent::Kind::RecordingFailed, std::nullopt,
                 QStringLiteral("%1: %2").arg(state.failedFile, state.reason));
    } else if (!state.failing && recording_.failing) {
        addEvent(WebEvent::Kind::RecordingResumed, std::nullopt,
                 QStringLiteral("rows are written again"));
    }
    for (const RecordingNotice& notice : state.notices)
        if (notice.kind == RecordingNotice::Kind::BacklogFull)
            recordingCounts_.droppedRows += notice.detail.toULongLong();
    const QDateTime lastRow = state.lastRowAt.isValid() ? state.lastRowAt : recording_.lastRowAt;
    recording_ = state;
    recording_.lastRowAt = lastRow;
    recording_.notices.clear();
    push("recording", recordingJson(recording_));
}

void WebHub::onRefreshed()
{
    const LinkHealth* health = session_.link().health();
    if (health == nullptr)
        return;
    const LinkCounters now = health->snapshot();
    if (!now.lastError.isEmpty()
        && (now.lastError != lastCounters_.lastError || now.lastErrorTime != lastCounters_.lastErrorTime))
        addEvent(WebEvent::Kind::PortFault, std::nullopt, now.lastError);
    if (now.reopens > lastCounters_.reopens)
        addEvent(WebEvent::Kind::PortOpen, std::nullopt, QStringLiteral("the port is open again"));
    if (now.reRegistrations > lastCounters_.reRegistrations)
        addEvent(WebEvent::Kind::ReRegistration, std::nullopt,
                 QStringLiteral("the inverters were registered again"));
    lastCounters_ = now;
}

std::vector<ServerSentEvent> WebHub::streamStart(std::optional<quint64> lastId) const
{
    if (lastId)
        return eventsAfter(*lastId);
    std::vector<ServerSentEvent> now{{std::nullopt, "link", compact(linkNow())},
                                     {std::nullopt, "recording", compact(recordingJson(recording_))}};
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        if (slots_[std::size_t(slot)].reading)
            now.push_back({std::nullopt, "reading", compact(inverterOf(slot))});
    }
    return now;
}

std::vector<ServerSentEvent> WebHub::eventsAfter(quint64 lastId) const
{
    return pushed_.after(lastId);
}

WebResponse WebHub::respond(const WebRequest& request)
{
    if (request.method != "GET" && request.method != "HEAD")
        return errorResponse(405, QStringLiteral("only GET and HEAD"));
    const QString& path = request.path;
    if (path == QLatin1String("/api/v1/live"))
        return live();
    if (path == QLatin1String("/api/v1/today"))
        return today(request);
    if (path == QLatin1String("/api/v1/day"))
        return day(request);
    if (path == QLatin1String("/api/v1/month"))
        return month(request);
    if (path == QLatin1String("/api/v1/health"))
        return health();
    if (path == QLatin1String("/api/v1/events"))
        return events(request);
    if (path == QLatin1String("/metrics"))
        return metrics();
    if (path.startsWith(QLatin1String("/export/")))
        return exportCsv(request);
    const bool page = path == QLatin1String("/") || path == QLatin1String("/history")
                   || path == QLatin1String("/health") || path.startsWith(QLatin1String("/static/"));
    if (page && setup_.pages)
        return setup_.pages(request);
    return errorResponse(404, QStringLiteral("no such page: %1").arg(path));
}

WebResponse WebHub::live() const
{
    QJsonArray inverters;
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot)
        inverters.append(inverterOf(slot));
    return jsonResponse({{QStringLiteral("time"), isoTime(setup_.now())},
                         {QStringLiteral("link"), linkNow()},
                         {QStringLiteral("recording"), recordingJson(recording_)},
                         {QStringLiteral("inverters"), inverters}});
}

WebResponse WebHub::health() const
{
    LinkCounters c;
    if (const LinkHealth* linkHealth = session_.link().health())
        c = linkHealth->snapshot();
    const QJsonObject counters{
        {QStringLiteral("requests_sent"), qint64(c.requestsSent)},
        {QStringLiteral("validated_replies"), qint64(c.validatedReplies)},
        {QStringLiteral("timeouts"), qint64(c.timeouts)},
        {QStringLiteral("rejected_checksum"), qint64(c.rejectedChecksum)},
        {QStringLiteral("rejected_header"), qint64(c.rejectedHeader)},
        {QStringLiteral("rejected_length"), qint64(c.rejectedLength)},
        {QStringLiteral("echoes_skipped"), qint64(c.echoesSkipped)},
        {QStringLiteral("reopens"), qint64(c.reopens)},
        {QStringLiteral("re_registrations"), qint64(c.reRegistrations)},
        {QStringLiteral("late_replies"), qint64(c.lateReplies)},
        {QStringLiteral("last_error"), c.lastError.isEmpty() ? QJsonValue(QJsonValue::Null)
                                                             : QJsonValue(c.lastError)}};
    QJsonValue mqtt = QJsonValue::Null;
    if (const auto m = setup_.mqttCounters ? setup_.mqttCounters() : std::nullopt)
        mqtt = QJsonObject{{QStringLiteral("sent"), qint64(m->sent)},
                           {QStringLiteral("dropped"), qint64(m->dropped)},
                           {QStringLiteral("failed"), qint64(m->failed)},
                           {QStringLiteral("reconnects"), qint64(m->reconnects)},
                           {QStringLiteral("connected"), m->connected},
                           {QStringLiteral("withheld"), qint64(m->withheld)}};
    QJsonArray inverters;
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        const SlotStatus status = session_.engine().busSlots().status(slot);
        inverters.append(QJsonObject{{QStringLiteral("slot"), slot},
                                     {QStringLiteral("serial"), status.serial},
                                     {QStringLiteral("cycles"), qint64(status.cycles)},
                                     {QStringLiteral("missed_cycles"), qint64(status.missedCycles)},
                                     {QStringLiteral("lost"), status.lost}});
    }
    const QDateTime now = setup_.now();
    return jsonResponse({{QStringLiteral("version"), setup_.version},
                         {QStringLiteral("program_folder"), session_.programFolder()},
                         {QStringLiteral("port"), setup_.portName},
                         {QStringLiteral("started"), isoTime(started_)},
                         {QStringLiteral("uptime_s"), started_.msecsTo(now) / kMsPerSecond},
                         {QStringLiteral("link"), linkNow()},
                         {QStringLiteral("link_counters"), counters},
                         {QStringLiteral("mqtt"), mqtt},
                         {QStringLiteral("recording"), recordingJson(recording_)},
                         {QStringLiteral("inverters"), inverters}});
}

WebResponse WebHub::events(const WebRequest& request) const
{
    quint64 after = 0;
    if (const auto text = parameter(request.query, QStringLiteral("after"))) {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,19}$"));
        bool ok = digits.match(*text).hasMatch();
        after = ok ? text->toULongLong(&ok) : 0;
        if (!ok)
            return errorResponse(400, QStringLiteral("after: a number of an event expected"));
    }
    return jsonResponse({{QStringLiteral("events"), events_.jsonAfter(after)}});
}

WebResponse WebHub::today(const WebRequest& request)
{
    const auto slot = inverterParameter(request.query, slotCount());
    if (!slot)
        return errorResponse(400, QStringLiteral("inverter: 1 to %1 expected").arg(slotCount()));
    const QDate date = setup_.now().date();
    QJsonArray points;
    // The rows recorded before this program started; since then the readings themselves.
    const MonthRead& read = months_.read(monthFile(*slot, date.year(), date.month()), date.day());
    if (read.records) {
        const QTimeZone zone = QTimeZone::systemTimeZone();
        for (const MonthRecords::Row& row : read.records->rows) {
            const QDateTime moment = rowMoment(row.time, zone);
            const auto power = cellNumber(row.fields.value(index(Quantity::Pac)));
            if (moment.isValid() && moment < started_ && power)
                points.append(QJsonArray{isoTime(moment), *power});
        }
    }
    for (const TodayCurve::Point& point : slots_[std::size_t(*slot)].today.pointsOf(date))
        points.append(QJsonArray{isoTime(point.time), point.watts});
    return jsonResponse({{QStringLiteral("inverter"), *slot}, {QStringLiteral("points"), points}});
}

WebResponse WebHub::day(const WebRequest& request)
{
    const auto slot = inverterParameter(request.query, slotCount());
    if (!slot)
        return errorResponse(400, QStringLiteral("inverter: 1 to %1 expected").arg(slotCount()));
    std::optional<QDate> date = setup_.now().date();
    if (const auto text = parameter(request.query, QStringLiteral("date")))
        date = dateParameter(*text);
    if (!date)
        return errorResponse(400, QStringLiteral("date: YYYY-MM-DD expected"));
    const MonthRead& read = months_.read(monthFile(*slot, date->year(), date->month()), date->day());
    if (!read.missing && !read.records)
        return errorResponse(500, read.error);
    return jsonResponse({{QStringLiteral("inverter"), *slot},
                         {QStringLiteral("date"), date->toString(Qt::ISODate)},
                         {QStringLiteral("rows"), read.records ? dayRowsJson(*read.records) : QJsonArray()}});
}

WebResponse WebHub::month(const WebRequest& request)
{
    const auto slot = inverterParameter(request.query, slotCount());
    if (!slot)
        return errorResponse(400, QStringLiteral("inverter: 1 to %1 expected").arg(slotCount()));
    std::optional<QDate> first = QDate(setup_.now().date().year(), setup_.now().date().month(), 1);
    if (const auto text = parameter(request.query, QStringLiteral("month")))
        first = monthParameter(*text);
    if (!first)
        return errorResponse(400, QStringLiteral("month: YYYY-MM expected"));
    const MonthRead& read = months_.read(monthFile(*slot, first->year(), first->month()));
    if (!read.missing && !read.records)
        return errorResponse(500, read.error);
    return jsonResponse({{QStringLiteral("inverter"), *slot},
                         {QStringLiteral("month"), monthText(*first)},
                         {QStringLiteral("days"), read.records ? monthDaysJson(*read.records) : QJsonArray()}});
}

WebResponse WebHub::exportCsv(const WebRequest& request)
{
    static const QRegularExpression name(QStringLiteral("^/export/(\\d{4}-\\d{2})(-\\d{2})?\\.csv$"));
    const auto match = name.match(request.path);
    if (!match.hasMatch())
        return errorResponse(404, QStringLiteral("no such download: %1").arg(request.path));
    const auto slot = inverterParameter(request.query, slotCount());
    if (!slot)
        return errorResponse(400, QStringLiteral("inverter: 1 to %1 expected").arg(slotCount()));
    const auto first = monthParameter(match.captured(1));
    const auto date = match.hasCaptured(2) ? dateParameter(match.captured(1) + match.captured(2))
                                           : first;
    if (!first || !date)
        return errorResponse(400, QStringLiteral("no such month or day: %1").arg(request.path));
    const std::optional<int> day = match.hasCaptured(2) ? std::optional(date->day()) : std::nullopt;
    const MonthRead& read = months_.read(monthFile(*slot, first->year(), first->month()), day);
    if (read.missing)
        return errorResponse(404, QStringLiteral("no records of %1 for inverter %2")
                                      .arg(monthText(*first)).arg(*slot));
    if (!read.records)
        return errorResponse(500, read.error);
    const QString fileName = QStringLiteral("Inverter%1-%2.csv")
                                 .arg(*slot)
                                 .arg(day ? date->toString(Qt::ISODate) : monthText(*first));
    return {200, kCsv, csvText(*read.records),
            {{"Content-Disposition", "attachment; filename=\"" + fileName.toLatin1() + '"'},
             {"Cache-Control", "no-store"}}};
}

MetricsSnapshot WebHub::metricsSnapshot() const
{
    MetricsSnapshot snapshot;
    snapshot.version = setup_.version;
    snapshot.linkUp = link_.kind == LinkState::Kind::Alive;
    if (const LinkHealth* health = session_.link().health())
        snapshot.link = health->snapshot();
    if (setup_.mqttCounters)
        snapshot.mqtt = setup_.mqttCounters();
    snapshot.recording = recordingCounts_;
    snapshot.recording.keptRows = recording_.keptRows;
    snapshot.recording.failing = recording_.failing;
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        const SlotData& data = slots_[std::size_t(slot)];
        const SlotStatus status = session_.engine().busSlots().status(slot);
        InverterMetrics inverter;
        inverter.slot = slot;
        inverter.serial = status.serial;
        inverter.live = live(slot);
        inverter.energyTotalKwh = data.counters.energyTotalKwh;
        inverter.operatingHours = data.counters.operatingHours;
        inverter.cycles = status.cycles;
        inverter.missedCycles = status.missedCycles;
        inverter.stateCode = -1;
        if (const auto& r = data.reading) {
            if (inverter.serial.isEmpty())
                inverter.serial = r->serial;
            inverter.model = r->model.trimmed();
            inverter.firmware = r->firmware.trimmed();
            inverter.acPowerW = r->shown(Quantity::Pac);
            inverter.dcVoltageV = r->shown(Quantity::Vpv);
            inverter.acVoltageV = r->shown(Quantity::Vac);
            inverter.frequencyHz = r->shown(Quantity::Fac);
            inverter.temperatureC = r->shown(Quantity::Temperature);
            inverter.stateCode = r->stateCode;
            inverter.lastReply = r->instant;
        }
        snapshot.inverters.push_back(std::move(inverter));
    }
    return snapshot;
}

WebResponse WebHub::metrics() const
{
    return {200, QByteArray(kMetricsContentType), metricsText(metricsSnapshot()),
            {{"Cache-Control", "no-store"}}};
}

} // namespace veltroma
