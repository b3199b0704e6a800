#include "WebTestSupport.h"

#include "link/LinkHealth.h"
#include "monitor/CsvExport.h"
#include "monitor/MonitorSession.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"
#include "support/VirtualTimers.h"
#include "web/WebHub.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace veltroma::test {
namespace {

const QStringList kValueKeys{"dc_voltage",    "ac_voltage",   "frequency",   "ac_power",   "energy_today",
                             "minutes_today", "energy_total", "hours_total", "temperature"};

// Rows on two days of December 2026 (twelve on the 3rd, five on the 9th, the 5th without
// any) for inverter 1 of a program folder, and a hub on a session of that folder that never
// starts: what it answers comes from the files alone.
class WebHubFilesTest : public ::testing::Test {
protected:
    WebHubFilesTest()
    {
        std::vector<QDateTime> times;
        for (int i = 0; i < 12; ++i)
            times.push_back(QDateTime(QDate(2026, 12, 3), QTime(7, 0, 5)).addSecs(i * 180 * 7));
        for (int i = 0; i < 5; ++i)
            times.push_back(QDateTime(QDate(2026, 12, 9), QTime(9, 5, 3)).addSecs(i * 180));
        recordRows(folder(), 1, times);
    }

    QString folder() const { return home.path() + u'/'; }
    QString monthFile() const { return folder() + QStringLiteral("Data/Inverter1/2026-12.xls"); }

    QTemporaryDir home;
    VirtualClock clock;
    FakeLink link{clock};
    VirtualTimers timers;
    MonitorSession session{{link, clock, timers, folder(), [](const QString& key) { return key; },
                            [] { return QDateTime(QDate(2026, 12, 9), QTime(12, 0)); }}};
    WebHub hub{session, {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("3.00"), {}, {},
                         [] { return QDateTime(QDate(2026, 12, 9), QTime(12, 0)); }}};
};

TEST_F(WebHubFilesTest, ADayListsTheRowsXlrdReadsFromItsSheet)
{
    const QJsonObject days = xlrdDays(monthFile());
    ASSERT_FALSE(days.isEmpty()) << "xlrd could not read the month file";
    // Read from its sheet by one hub; taken from the month read whole by another.
    WebHub other(session, {});
    ASSERT_EQ(other.respond(getRequest("/api/v1/month", "month=2026-12")).status, 200);
    for (const auto& [asker, day] : {std::pair{&hub, 3}, {&hub, 9}, {&hub, 5}, {&other, 3}, {&other, 9}, {&other, 5}}) {
        SCOPED_TRACE(asker == &hub ? "from the sheet" : "from the month");
        SCOPED_TRACE(day);
        const QString date = QDate(2026, 12, day).toString(Qt::ISODate);
        const WebResponse response =
            asker->respond(getRequest("/api/v1/day", QStringLiteral("date=%1&inverter=1").arg(date)));
        ASSERT_EQ(response.status, 200) << response.body.toStdString();
        EXPECT_EQ(response.contentType, "application/json");
        const QJsonObject answer = jsonOf(response);
        EXPECT_EQ(answer["date"].toString(), date);
        EXPECT_EQ(answer["inverter"].toInt(), 1);
        const QJsonArray rows = answer["rows"].toArray();
        const QJsonArray expected = days[QString::number(day)].toArray();
        ASSERT_EQ(rows.size(), expected.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            SCOPED_TRACE(r);
            const QJsonObject row = rows[r].toObject();
            const QJsonArray cells = expected[r].toArray();
            const QTime time = QTime::fromString(cells[0].toString(), QStringLiteral("H:m:s"));
            const QString iso = row["time"].toString();
            EXPECT_EQ(QDateTime::fromString(iso, Qt::ISODate), QDateTime(QDate(2026, 12, day), time));
            EXPECT_TRUE(iso.contains(QRegularExpression("[+-]\\d\\d:\\d\\d$"))) << iso.toStdString();
            for (int c = 1; c <= 9; ++c)
                EXPECT_EQ(row[kValueKeys[c - 1]].toDouble(), cells[c].toString().toDouble()) << c;
            EXPECT_EQ(row["state"].toString(), cells[10].toString());
        }
    }
    // A month without a file has no rows either, and that is no fault.
    const QJsonObject none = jsonOf(hub.respond(getRequest("/api/v1/day", "date=2026-11-09")));
    EXPECT_EQ(none["rows"].toArray().size(), 0);
}

TEST_F(WebHubFilesTest, AMonthSumsUpTheDaysXlrdReads)
{
    const QJsonObject days = xlrdDays(monthFile());
    const QJsonObject answer = jsonOf(hub.respond(getRequest("/api/v1/month", "month=2026-12&inverter=1")));
    EXPECT_EQ(answer["month"].toString(), "2026-12");
    const QJsonArray listed = answer["days"].toArray();
    ASSERT_EQ(listed.size(), 2) << "only the days with rows";
    for (const QJsonValue& value : listed) {
        const QJsonObject day = value.toObject();
        const QDate date = QDate::fromString(day["date"].toString(), Qt::ISODate);
        SCOPED_TRACE(day["date"].toString().toStdString());
        const QJsonArray rows = days[QString::number(date.day())].toArray();
        ASSERT_FALSE(rows.isEmpty());
        double peak = 0;
        for (const QJsonValue& row : rows)
            peak = std::max(peak, row.toArray()[4].toString().toDouble());
        EXPECT_EQ(day["rows"].toInt(), rows.size());
        EXPECT_EQ(day["energy"].toDouble(), rows.last().toArray()[5].toString().toDouble());
        EXPECT_EQ(day["peak_power"].toDouble(), peak);
    }
}

TEST_F(WebHubFilesTest, TheDownloadsAreTheExportOfTheMonthFileAndOfOneOfItsDays)
{
    QString error;
    const auto records = readMonthRecords(monthFile(), error);
    ASSERT_TRUE(records) << error.toStdString();
    const WebResponse month = hub.respond(getRequest("/export/2026-12.csv", "inverter=1"));
    ASSERT_EQ(month.status, 200) << month.body.toStdString();
    EXPECT_TRUE(month.contentType.startsWith("text/csv"));
    EXPECT_EQ(month.body, csvText(*records));
    const auto disposition = std::find_if(month.headers.begin(), month.headers.end(),
                                          [](const auto& h) { return h.first == "Content-Disposition"; });
    ASSERT_NE(disposition, month.headers.end());
    EXPECT_TRUE(disposition->second.contains("2026-12.csv"));

    // The day: the month's header and those of its lines that belong to the day.
    QByteArrayList lines = month.body.split('\n');
    QByteArray expected = lines.takeFirst() + '\n';
    for (const QByteArray& line : lines)
        if (line.startsWith("2026-12-09T"))
            expected += line + '\n';
    const WebResponse day = hub.respond(getRequest("/export/2026-12-09.csv"));
    ASSERT_EQ(day.status, 200) << day.body.toStdString();
    EXPECT_EQ(day.body, expected);
    EXPECT_EQ(day.body.count('\n'), 6);
}

TEST_F(WebHubFilesTest, BadParametersAreRefusedWithAReason)
{
    struct Case {
        const char* path;
        const char* query;
        int status;
    };
    const Case cases[] = {
        {"/api/v1/day", "date=2026-12-9", 400},
        {"/api/v1/day", "date=2026-02-30", 400},
        {"/api/v1/day", "date=../../etc", 400},
        {"/api/v1/day", "inverter=0", 400},
        {"/api/v1/day", "inverter=2", 400}, // the bus carries one inverter
        {"/api/v1/day", "inverter=1x", 400},
        {"/api/v1/today", "inverter=7", 400},
        {"/api/v1/month", "month=2026-13", 400},
        {"/api/v1/month", "month=2026-12-01", 400},
        {"/api/v1/events", "after=-1", 400},
        {"/api/v1/events", "after=99999999999999999999", 400},
        {"/export/2026-02-30.csv", "", 400},
        {"/export/2026-12.csv", "inverter=3", 400},
        {"/export/2026-11.csv", "", 404}, // no file for that month
        {"/export/../../setting.ini", "", 404},
        {"/export/2026-12.xls", "", 404},
        {"/api/v1/nothing", "", 404},
        {"/history", "", 404}, // no pages given to this hub
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + "?" + c.query);
        const WebResponse response = hub.respond(getRequest(c.path, c.query));
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.contentType, "application/json");
        EXPECT_FALSE(jsonOf(response)["error"].toString().isEmpty()) << response.body.toStdString();
    }
}

TEST_F(WebHubFilesTest, TodayJoinsTheRowsRecordedBeforeTheStart)
{
    const QJsonObject answer = jsonOf(hub.respond(getRequest("/api/v1/today")));
    const QJsonArray points = answer["points"].toArray();
    ASSERT_EQ(points.size(), 5);
    const QJsonArray rows = xlrdDays(monthFile())["9"].toArray();
    for (qsizetype i = 0; i < points.size(); ++i)
        EXPECT_EQ(points[i][1].toDouble(), rows[i].toArray()[4].toString().toDouble()) << i;
}

TEST_F(WebHubFilesTest, AChangedMonthFileIsReadAgain)
{
    const auto rowsOf9 = [&] {
        return jsonOf(hub.respond(getRequest("/api/v1/day", "date=2026-12-09")))["rows"].toArray().size();
    };
    ASSERT_EQ(rowsOf9(), 5);
    recordRows(folder(), 1, {QDateTime(QDate(2026, 12, 9), QTime(11, 0, 0))}, 40);
    EXPECT_EQ(rowsOf9(), 6);
}

TEST_F(WebHubFilesTest, RecordingAndPortTroubleAreToldOnceAndCounted)
{
    std::vector<ServerSentEvent> pushed;
    QObject::connect(&hub, &WebHub::serverSentEvent,
                     [&](const ServerSentEvent& event) { pushed.push_back(event); });
    const QDateTime lastRow(QDate(2026, 12, 9), QTime(11, 57));
    RecordingState written;
    written.lastRowAt = lastRow;
    RecordingState failing;
    failing.failing = true;
    failing.failedFile = monthFile();
    failing.reason = QStringLiteral("disk full");
    failing.keptRows = 2;
    RecordingState overflowing = failing;
    overflowing.notices = {{RecordingNotice::Kind::BacklogFull, monthFile(), QStringLiteral("7")}};
    for (const RecordingState& state : {written, failing, failing, overflowing, overflowing, written})
        emit session.events().recordingState(state);
    QCoreApplication::processEvents(); // they come queued from the save thread
    // Twice the same fault of the port, then another, and the port opened again.
    link.health()->setLastError(QStringLiteral("device gone"), lastRow);
    emit session.refreshed();
    emit session.refreshed();
    link.health()->setLastError(QStringLiteral("device gone"), lastRow.addSecs(5));
    link.health()->count(LinkEvent::Reopen);
    emit session.refreshed();
    QCoreApplication::processEvents();

    QStringList kinds;
    for (const auto& event : jsonOf(hub.respond(getRequest("/api/v1/events")))["events"].toArray())
        kinds << event.toObject()["kind"].toString();
    EXPECT_EQ(kinds.join(u' ').toStdString(),
              "recording_failed recording_resumed port_fault port_fault port_open");
    const RecordingMetrics counted = hub.metricsSnapshot().recording;
    EXPECT_EQ(counted.failures, 1U);
    EXPECT_EQ(counted.droppedRows, 14U);
    EXPECT_FALSE(counted.failing);

    // Every record event is pushed; a failure does not forget the last row written.
    ASSERT_EQ(pushed.size(), 6U);
    const QJsonObject whileFailing = QJsonDocument::fromJson(pushed[3].data).object();
    EXPECT_EQ(pushed[3].type, "recording");
    EXPECT_TRUE(whileFailing["failing"].toBool());
    EXPECT_EQ(whileFailing["reason"].toString(), "disk full");
    EXPECT_EQ(whileFailing["kept_rows"].toInt(), 2);
    EXPECT_EQ(QDateTime::fromString(whileFailing["last_row"].toString(), Qt::ISODate), lastRow);
}

} // namespace
} // namespace veltroma::test
