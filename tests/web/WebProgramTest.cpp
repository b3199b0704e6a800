#include "TestClient.h"

#include "cli/ProgramRun.h"
#include "monitor/DailyRecorder.h"
#include "monitor/InverterModel.h"
#include "monitor/RecordPaths.h"
#include "support/InverterSim.h"
#include "support/ServerPort.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// A port no one listens on now; the program may take it a moment later.
quint16 freePort()
{
    return freeServerPort(ServerPortRange::WebView);
}

// veltroma-monitor --headless on the simulated inverter, in a program folder of its own with
// `settings` added to setting.ini.
class WebProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim_.isRunning()) << sim_.errorString().toStdString(); }

    std::unique_ptr<ProgramRun> startLogger(const QByteArray& settings, const QStringList& extra = {})
    {
        QFile file(home_.filePath(QStringLiteral("setting.ini")));
        file.open(QIODevice::WriteOnly);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write("[Setting]\r\nLanguage=English\r\nCommNum=" + sim_.portPath().toUtf8()
                   + ",9600,8,N,1\r\n" + settings);
        file.close();
        return std::make_unique<ProgramRun>(
            QStringList{QStringLiteral("--headless"), QStringLiteral("--home"), home_.path()} + extra);
    }

    InverterSim sim_;
    QTemporaryDir home_;
};

TEST_F(WebProgramTest, TheLoggerServesTheLiveValuesAndPushesReadingsWhileItRecords)
{
    const quint16 port = freePort();
    // Every address, no password: the logger warns once.
    auto run = startLogger("[Web]\r\nListen=0.0.0.0:" + QByteArray::number(port) + "\r\n",
                           {QStringLiteral("--every-reply")});
    ASSERT_TRUE(run->waitUntil([&] { return run->err().contains(QStringLiteral("web view on")); }))
        << run->err().toStdString();
    EXPECT_TRUE(run->err().contains(QStringLiteral("web view on http://0.0.0.0:%1/").arg(port)))
        << run->err().toStdString();
    EXPECT_EQ(run->err().count(QStringLiteral("web warning: the web view listens on 0.0.0.0:%1 without a password").arg(port)), 1)
        << run->err().toStdString();

    TestClient stream(port);
    stream.get("/api/v1/stream");
    // The first reading is pushed once the inverter answers.
    ASSERT_TRUE(stream.waitReceived("event: reading\n", 30'000)) << run->err().toStdString();

    TestClient client(port);
    client.get("/api/v1/live");
    const auto live = client.nextAnswer();
    ASSERT_TRUE(live);
    EXPECT_EQ(live->status, 200);
    EXPECT_EQ(live->header("content-type").left(16), "application/json");
    const QJsonObject json = QJsonDocument::fromJson(live->body).object();
    ASSERT_FALSE(json.value(QStringLiteral("inverters")).toArray().isEmpty()) << live->body.toStdString();
    EXPECT_EQ(json[QStringLiteral("inverters")][0][QStringLiteral("serial")].toString(), QStringLiteral("A1B2C3D4E5"));
    // The rows go on meanwhile.
    ASSERT_TRUE(run->waitUntil([&] { return run->out().count(u'\n') >= 3; }));
    run->terminate();
    EXPECT_EQ(run->exitCode(), 0) << run->err().toStdString();
}

TEST_F(WebProgramTest, APortInUseIsSaidOnceAndTheLoggerGoesOnWithoutTheWebView)
{
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    auto run = startLogger({}, {QStringLiteral("--every-reply"), QStringLiteral("--web"),
                                QStringLiteral("127.0.0.1:%1").arg(taken.serverPort())});
    ASSERT_TRUE(run->waitUntil([&] { return run->out().count(u'\n') >= 3; })) << run->err().toStdString();
    EXPECT_EQ(run->err().count(QStringLiteral("web view off: cannot listen on 127.0.0.1:%1: ").arg(taken.serverPort())), 1)
        << run->err().toStdString();
    EXPECT_FALSE(run->err().contains(QStringLiteral("web view on")));
    run->terminate();
    EXPECT_EQ(run->exitCode(), 0) << run->err().toStdString();
}

// The values /api/v1/live gives for an inverter are those of the line the logger printed for
// the same reply, field by field.
TEST_F(WebProgramTest, TheLiveValuesAreThoseOfTheLinePrintedForTheSameReply)
{
    const quint16 port = freePort();
    auto run = startLogger({}, {QStringLiteral("--every-reply"), QStringLiteral("--web"),
                                QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(run->waitUntil([&] { return run->out().count(u'\n') >= 3; })) << run->err().toStdString();

    TestClient client(port);
    client.get("/api/v1/live");
    const auto live = client.nextAnswer();
    ASSERT_TRUE(live);
    const QJsonObject inverter =
        QJsonDocument::fromJson(live->body).object()[QStringLiteral("inverters")][0].toObject();
    ASSERT_TRUE(inverter[QStringLiteral("live")].toBool()) << live->body.toStdString();
    // The printed line carries the local time without its offset.
    const QString time = inverter[QStringLiteral("time")].toString().left(19);
    QStringList fields;
    ASSERT_TRUE(run->waitUntil([&] {
        for (const QString& line : run->out().split(u'\n')) {
            if (line.startsWith(time + u'\t'))
                fields = line.split(u'\t');
        }
        return !fields.isEmpty();
    })) << time.toStdString() << '\n' << run->out().toStdString();
    // time, slot, nine values, the state
    ASSERT_EQ(fields.size(), 12) << fields.join(u'|').toStdString();
    EXPECT_EQ(fields[1], QStringLiteral("1"));
    const QStringList keys{"dc_voltage",    "ac_voltage",   "frequency",   "ac_power",   "energy_today",
                           "minutes_today", "energy_total", "hours_total", "temperature"};
    const QJsonObject values = inverter[QStringLiteral("values")].toObject();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i].toStdString());
        EXPECT_EQ(values[keys[i]].toDouble(), fields[2 + i].toDouble()) << fields[2 + i].toStdString();
    }
    EXPECT_EQ(inverter[QStringLiteral("state")].toString(), fields[11]);
    run->terminate();
    EXPECT_EQ(run->exitCode(), 0) << run->err().toStdString();
}

// A month and a day downloaded from the web view are what --export-csv writes for that file.
TEST_F(WebProgramTest, TheDownloadsAreWhatExportCsvWrites)
{
    const QString folder = home_.path() + u'/';
    const QDate day(2026, 11, 5);
    {
        DailyRecorder recorder;
        InverterModel model;
        model.realtimeDecoded = true;
        model.recordSlot = 1;
        for (int d = 0; d < 2; ++d) {
            for (int i = 0; i < 4; ++i) {
                const QDateTime when(day.addDays(d), QTime(9, 3 * i, 7));
                model.paths = LoadDataSet(folder, when, 1);
                model.NewRow = {when.time().toString(QStringLiteral("H:m:s")), QStringLiteral("340.0"),
                                QStringLiteral("230.1"), QStringLiteral("50.00"),
                                QString::number(1000 + 10 * i), QString::number(0.1 * i, 'f', 1),
                                QString::number(3 * i), QStringLiteral("12345.6"), QStringLiteral("4096"),
                                QStringLiteral("35.5"), QStringLiteral("Normal, \"quoted\"")};
                ASSERT_FALSE(recorder.record(model).failing);
            }
        }
    }
    const QString monthFile = folder + QStringLiteral("Data/Inverter1/2026-11.xls");
    ASSERT_TRUE(QFile::exists(monthFile));
    ProgramRun exportRun({QStringLiteral("--home"), home_.path(), QStringLiteral("--export-csv"), monthFile});
    ASSERT_EQ(exportRun.exitCode(), 0) << exportRun.err().toStdString();
    const QByteArray exported = exportRun.out().toUtf8();
    ASSERT_EQ(exported.count("\r\n"), 1 + 8) << exported.toStdString();

    const quint16 port = freePort();
    auto run = startLogger({}, {QStringLiteral("--web"), QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(run->waitUntil([&] { return run->err().contains(QStringLiteral("web view on")); }))
        << run->err().toStdString();
    TestClient client(port);
    client.get("/export/2026-11.csv?inverter=1");
    const auto month = client.nextAnswer();
    ASSERT_TRUE(month);
    EXPECT_EQ(month->status, 200);
    EXPECT_EQ(month->body, exported);

    client.get("/export/2026-11-05.csv?inverter=1");
    const auto oneDay = client.nextAnswer();
    ASSERT_TRUE(oneDay);
    QByteArray expectedDay;
    for (const QByteArray& line : exported.split('\n')) {
        if (!line.isEmpty() && (expectedDay.isEmpty() || line.startsWith("2026-11-05T")))
            expectedDay += line + '\n';
    }
    EXPECT_EQ(oneDay->body, expectedDay);
    run->terminate();
    EXPECT_EQ(run->exitCode(), 0) << run->err().toStdString();
}

} // namespace
} // namespace veltroma::test
