#include "WebTestSupport.h"

#include "channel/Channel.h"
#include "monitor/MonitorSession.h"
#include "support/InverterSim.h"
#include "support/ScriptedPrompt.h"
#include "support/VirtualTimers.h"
#include "web/HttpServerAdapter.h"
#include "web/WebHub.h"
#include "TestClient.h"

#include <QJsonArray>
#include <QMutex>

#include <algorithm>
#include <chrono>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// A record tick every four watchdog ticks, so that rows come without a long virtual wait.
constexpr EngineTimerIntervals kQuickRecords{1000, 2000, 500};
constexpr int kWatchdogTicksToLoss = 40;

QString englishText(const QString& key)
{
    if (key == QLatin1String("IDC_WAIT"))
        return QStringLiteral("Wait");
    if (key == QLatin1String("IDC_NORMAL"))
        return QStringLiteral("Normal");
    return QStringLiteral("Fault");
}

// The value keys of a reading, in the order of the record row's columns B..J.
const QStringList kValueKeys{"dc_voltage",    "ac_voltage",   "frequency",   "ac_power",   "energy_today",
                             "minutes_today", "energy_total", "hours_total", "temperature"};

// A session on the real channel in this process, talking to the simulator over its
// pseudo-terminal, its timers in virtual time, and the hub on it; what the hub pushes is kept.
class WebHubSessionTest : public ::testing::Test {
protected:
    void start(InverterSim::Options options = {})
    {
        options.extraArguments << QStringLiteral("--start-time") << QStringLiteral("12:00");
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        channel = std::make_unique<Channel>(steadyClock(), prompt);
        channel->COMM_CFG = sim->portPath() + QStringLiteral(",9600,8,N,1");
        channel->PortInit(0);
        ASSERT_TRUE(channel->ChannelOK());
        session = std::make_unique<MonitorSession>(MonitorSession::Setup{
            *channel, steadyClock(), timers, folder(), englishText,
            [] { return QDateTime::currentDateTime(); }, sim->portPath(), kQuickRecords});
        hub = std::make_unique<WebHub>(*session, WebHub::Setup{sim->portPath(), QStringLiteral("3.00")});
        QObject::connect(hub.get(), &WebHub::serverSentEvent,
                         [this](const ServerSentEvent& event) { pushed.push_back(event); });
        QObject::connect(session.get(), &MonitorSession::rowRecorded,
                         [this](const Reading& reading) { recorded.push_back(reading); });
        session->start();
    }

    void TearDown() override
    {
        if (session)
            session->stop();
    }

    QString folder() const { return home.path() + u'/'; }

    std::vector<QJsonObject> pushedOf(const char* type) const
    {
        std::vector<QJsonObject> found;
        for (const ServerSentEvent& event : pushed)
            if (event.type == type)
                found.push_back(QJsonDocument::fromJson(event.data).object());
        return found;
    }

    // One watchdog period of virtual time, once the hub has had another reading (when
    // `withReply`), so that a running link is never declared lost by the virtual clock.
    bool step(bool withReply = true)
    {
        const std::size_t readings = pushedOf("reading").size();
        if (withReply && !pumpUntil([&] { return pushedOf("reading").size() > readings; }))
            return false;
        timers.advance(kQuickRecords.watchdogMs);
        QCoreApplication::processEvents();
        return true;
    }

    QStringList eventKinds()
    {
        QStringList kinds;
        for (const auto& e : jsonOf(hub->respond(getRequest("/api/v1/events")))["events"].toArray())
            kinds << e.toObject()["kind"].toString();
        return kinds;
    }

    QTemporaryDir home;
    ScriptedPrompt prompt;
    VirtualTimers timers;
    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<Channel> channel;
    std::unique_ptr<MonitorSession> session;
    std::unique_ptr<WebHub> hub;
    std::vector<ServerSentEvent> pushed;
    std::vector<Reading> recorded;
};

TEST_F(WebHubSessionTest, ThePushedReadingShowsTheValuesOfTheRowRecordedFromIt)
{
    start();
    ASSERT_TRUE(step());
    // Fewer watchdog ticks than a loss takes: the record tick comes without waiting for replies.
    for (int tick = 0; tick < kWatchdogTicksToLoss / 2 && recorded.empty(); ++tick)
        ASSERT_TRUE(step(false));
    ASSERT_FALSE(recorded.empty());
    session->waitUntilSaved();
    const Reading& reading = recorded.front();

    // The row as xlrd reads it from the month file: the newest of its day sheet.
    const QJsonArray rows = xlrdDays(reading.paths.sWriteExcelPath)[reading.paths.sExcelShellName].toArray();
    ASSERT_FALSE(rows.isEmpty());
    const QJsonArray row = rows.last().toArray();
    ASSERT_EQ(row[0].toString(), reading.paths.sExcelColumA);

    // The reading pushed for the same reply.
    std::optional<QJsonObject> same;
    for (const QJsonObject& inverter : pushedOf("reading"))
        if (QDateTime::fromString(inverter["time"].toString(), Qt::ISODate)
            == QDateTime::fromString(isoInstant(reading), Qt::ISODate))
            same = inverter;
    ASSERT_TRUE(same) << "no reading pushed of " << isoInstant(reading).toStdString();
    const QJsonObject values = (*same)["values"].toObject();
    for (int column = 1; column <= 9; ++column) {
        SCOPED_TRACE(kValueKeys[column - 1].toStdString());
        EXPECT_EQ(values[kValueKeys[column - 1]].toDouble(), row[column].toString().toDouble());
    }
    EXPECT_EQ((*same)["state"].toString(), row[10].toString());
    EXPECT_EQ((*same)["serial"].toString(), reading.serial);
    EXPECT_EQ((*same)["slot"].toInt(), 1);
    EXPECT_TRUE((*same)["live"].toBool());
    EXPECT_EQ((*same)["status"].toString(), "normal");

    // Live lists the inverter as the newest push shows it.
    ASSERT_TRUE(pumpUntil([&] { return !pushedOf("recording").empty(); }));
    const QJsonObject live = jsonOf(hub->respond(getRequest("/api/v1/live")));
    EXPECT_EQ(live["link"].toObject()["state"].toString(), "alive");
    EXPECT_EQ(live["recording"].toObject()["last_row"].toString().isEmpty(), false);
    const QJsonArray inverters = live["inverters"].toArray();
    ASSERT_EQ(inverters.size(), 1);
    QJsonObject listed = inverters[0].toObject();
    QJsonObject newest = pushedOf("reading").back();
    listed.remove("age_s");
    newest.remove("age_s");
    EXPECT_EQ(listed, newest);

    // A client that comes back is given what it missed, and only that.
    const std::vector<ServerSentEvent> all = hub->eventsAfter(0);
    ASSERT_EQ(all, pushed);
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_EQ(*all[i].id, *all[i - 1].id + 1);
    const std::vector<ServerSentEvent> missed = hub->eventsAfter(*all[1].id);
    EXPECT_EQ(missed, std::vector<ServerSentEvent>(all.begin() + 2, all.end()));
    EXPECT_EQ(hub->streamStart(*all[1].id), missed);

    // A new client begins with the state of the moment, which /api/v1/live also gave.
    const std::vector<ServerSentEvent> now = hub->streamStart(std::nullopt);
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0].type, "link");
    EXPECT_EQ(QJsonDocument::fromJson(now[0].data).object(), live["link"].toObject());
    EXPECT_EQ(now[1].type, "recording");
    EXPECT_EQ(QJsonDocument::fromJson(now[1].data).object(), live["recording"].toObject());
    EXPECT_EQ(now[2].type, "reading");
    for (const ServerSentEvent& event : now)
        EXPECT_FALSE(event.id);
}

TEST_F(WebHubSessionTest, ALostLinkAndItsReturnAreEventsAndPushed)
{
    start();
    ASSERT_TRUE(step());
    ASSERT_TRUE(sim->command(QStringLiteral("silent on")));
    for (int tick = 0; tick <= kWatchdogTicksToLoss && pushedOf("link").back()["state"] != "lost"; ++tick)
        ASSERT_TRUE(step(false));
    ASSERT_TRUE(pumpUntil([&] { return pushedOf("link").back()["state"] == "lost"; }));
    const QJsonObject lost = pushedOf("link").back();
    EXPECT_TRUE(lost["reason"].toString().contains(sim->portPath())) << lost["reason"].toString().toStdString();
    EXPECT_TRUE(QDateTime::fromString(lost["since"].toString(), Qt::ISODate).isValid());

    // While the link is lost nobody is live, though the last values stay.
    const QJsonObject inverter = jsonOf(hub->respond(getRequest("/api/v1/live")))["inverters"][0].toObject();
    EXPECT_FALSE(inverter["live"].toBool());
    EXPECT_TRUE(inverter.contains("values"));

    ASSERT_TRUE(sim->command(QStringLiteral("silent off")));
    ASSERT_TRUE(pumpUntil([&] {
        timers.advance(kQuickRecords.refreshMs);
        return pushedOf("link").back()["state"] == "alive";
    }));
    const QStringList kinds = eventKinds();
    const auto lostAt = kinds.indexOf("link_lost");
    ASSERT_GE(lostAt, 0) << kinds.join(u',').toStdString();
    EXPECT_GT(kinds.indexOf("link_back"), lostAt) << kinds.join(u',').toStdString();

    // Events after a given one are those that came later.
    const QJsonArray all = jsonOf(hub->respond(getRequest("/api/v1/events")))["events"].toArray();
    const qint64 firstId = all[0].toObject()["id"].toInteger();
    const QJsonArray later =
        jsonOf(hub->respond(getRequest("/api/v1/events", QStringLiteral("after=%1").arg(firstId))))["events"].toArray();
    EXPECT_EQ(later.size(), all.size() - 1);
}

TEST_F(WebHubSessionTest, AnInverterFaultAndItsClearingAreEvents)
{
    start();
    ASSERT_TRUE(step());
    ASSERT_TRUE(sim->command(QStringLiteral("fault 0x400")));
    ASSERT_TRUE(pumpUntil([&] { return eventKinds().contains("inverter_fault"); }));
    const QJsonObject inverter = pushedOf("reading").back();
    EXPECT_EQ(inverter["fault_word"].toInteger(), 0x400);
    EXPECT_EQ(inverter["status"].toString(), "fault");

    ASSERT_TRUE(sim->command(QStringLiteral("fault 0")));
    ASSERT_TRUE(pumpUntil([&] { return eventKinds().contains("fault_cleared"); }));
    EXPECT_EQ(eventKinds().count(QStringLiteral("inverter_fault")), 1) << "one fault, told once";
}

TEST_F(WebHubSessionTest, TotalsNeverGoBelowTheRowsRecordedEarlierToday)
{
    // The program ran earlier today and recorded a total of 5000.3 kWh, 900 h.
    const QDateTime earlier = QDateTime::currentDateTime().addSecs(-1);
    if (earlier.date() != QDate::currentDate())
        GTEST_SKIP() << "a second after midnight";
    recordRows(folder(), 1, {earlier}, 3);

    // Restarted, it hears an inverter whose counters read lower (a replaced board).
    InverterSim::Options options;
    options.extraArguments << "--etotal" << "4000" << "--htotal" << "100";
    start(options);
    const auto held = [&] { return hub->metricsSnapshot().inverters.at(0); };
    EXPECT_EQ(held().energyTotalKwh, 5000.3);
    EXPECT_EQ(held().operatingHours, 900);
    ASSERT_TRUE(step());

    const double heard = pushedOf("reading").back()["values"].toObject()["energy_total"].toDouble();
    EXPECT_LT(heard, 5000.3);
    EXPECT_EQ(held().energyTotalKwh, 5000.3);
    EXPECT_EQ(held().operatingHours, 900);
    EXPECT_TRUE(held().live);
    const WebResponse metrics = hub->respond(getRequest("/metrics"));
    EXPECT_EQ(metrics.contentType, kMetricsContentType);
    std::optional<double> joules;
    for (const QByteArray& line : metrics.body.split('\n'))
        if (line.startsWith("veltroma_energy_joules_total{"))
            joules = line.split(' ').last().toDouble();
    ASSERT_TRUE(joules) << metrics.body.toStdString();
    EXPECT_DOUBLE_EQ(*joules, 5000.3 * 3.6e6);
}

TEST_F(WebHubSessionTest, AStreamClientHearsOfAReplyWithinATenthOfASecond)
{
    start();
    // When each realtime reply was decoded on the worker, and when its pushed event reached a
    // browser's connection on loopback.
    using Instant = std::chrono::steady_clock::time_point;
    QMutex mutex;
    std::vector<Instant> decoded;
    QObject::connect(
        &session->events(), &EngineEvents::readingDecoded, &session->events(),
        [&](const Reading&) {
            const QMutexLocker lock(&mutex);
            decoded.push_back(std::chrono::steady_clock::now());
        },
        Qt::DirectConnection);
    WebServerSettings settings;
    settings.listen = WebListen{QStringLiteral("127.0.0.1"), 0};
    WebServer server(
        settings, [this](const WebRequest& request) { return hub->respond(request); },
        [this](std::optional<quint64> lastId) { return hub->streamStart(lastId); });
    ASSERT_FALSE(server.listen());
    QObject::connect(hub.get(), &WebHub::serverSentEvent, &server, &WebServer::broadcast);
    TestClient stream(server.port());
    stream.get("/api/v1/stream");
    ASSERT_TRUE(stream.waitReceived("text/event-stream", 5000));
    // Replies come seconds apart, so the newest decoded one is the one each event tells of.
    constexpr int kReplies = 5;
    std::vector<std::chrono::milliseconds> delays;
    for (int heard = 0; heard < kReplies; ++heard) {
        const qsizetype seen = stream.received().count("event: reading\n");
        ASSERT_TRUE(pumpUntil([&] { return stream.received().count("event: reading\n") > seen; }))
            << stream.received().toStdString();
        const Instant arrived = std::chrono::steady_clock::now();
        const QMutexLocker lock(&mutex);
        ASSERT_FALSE(decoded.empty());
        delays.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(arrived - decoded.back()));
    }
    // The middle one, so that a test machine busy for a moment does not decide it.
    std::nth_element(delays.begin(), delays.begin() + kReplies / 2, delays.end());
    EXPECT_LT(delays[kReplies / 2].count(), 100);
}

} // namespace
} // namespace veltroma::test
