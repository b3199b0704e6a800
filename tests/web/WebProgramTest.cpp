#include "TestClient.h"

#include "cli/ProgramRun.h"
#include "support/InverterSim.h"

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
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
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

} // namespace
} // namespace veltroma::test
