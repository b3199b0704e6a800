#include "MosquittoBroker.h"

#include "support/InverterSim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace veltroma::test {
namespace {

// The simulator's serial number, as it appears in the topics.
const QString kSerial = QStringLiteral("A1B2C3D4E5");

// veltroma-monitor --headless in a program folder of its own, with the rows it printed.
class HeadlessRun {
public:
    HeadlessRun(const QString& port, const QByteArray& mqttSection, const QStringList& extra = {})
    {
        QFile settings(home_.filePath(QStringLiteral("setting.ini")));
        settings.open(QIODevice::WriteOnly);
        settings.write("[Setting]\r\nLanguage=English\r\nCommNum=" + port.toUtf8() + ",9600,8,N,1\r\n"
                       + mqttSection);
        settings.close();
        process_.start(QStringLiteral(VELTROMA_MONITOR_EXE),
                       QStringList{QStringLiteral("--headless"), QStringLiteral("--every-reply"),
                                   QStringLiteral("--home"), home_.path()}
                           + extra);
    }
    ~HeadlessRun()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    bool started() { return process_.waitForStarted(5000); }
    QProcess& process() { return process_; }

    bool waitForRows(int count, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (rows().size() < count && timer.elapsed() < timeoutMs
               && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            collect();
        }
        return rows().size() >= count;
    }
    QStringList rows()
    {
        collect();
        QStringList lines = QString::fromUtf8(out_).split(u'\n');
        lines.removeLast();
        // The first line names the fields.
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }
    QString errors()
    {
        collect();
        return QString::fromUtf8(err_);
    }

private:
    void collect()
    {
        out_ += process_.readAllStandardOutput();
        err_ += process_.readAllStandardError();
    }

    QTemporaryDir home_;
    QProcess process_;
    QByteArray out_;
    QByteArray err_;
};

QByteArray mqttSection(int port)
{
    return "[Mqtt]\r\nHost=127.0.0.1\r\nPort=" + QByteArray::number(port) + "\r\nInterval=0\r\n";
}

// The gaps between the realtime polls the simulator received, in seconds.
std::vector<double> pollGaps(const InverterSim& sim)
{
    std::vector<double> times;
    for (const auto& request : sim.requests())
        if (request.kind == QStringLiteral("poll-realtime"))
            times.push_back(request.seconds);
    std::vector<double> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    return gaps;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

class HeadlessMqttTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (MosquittoBroker::executable().isEmpty())
            GTEST_SKIP() << "mosquitto is not installed";
        ASSERT_TRUE(sim_.isRunning()) << sim_.errorString().toStdString();
    }

    InverterSim sim_;
};

TEST_F(HeadlessMqttTest, StatesMatchThePrintedRowsAndAKilledLoggerGoesOffline)
{
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start()) << broker.log().toStdString();
    TopicSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.started());

    HeadlessRun run(sim_.portPath(), mqttSection(broker.port()));
    ASSERT_TRUE(run.started());
    const QString stateTopic = QStringLiteral("veltroma/%1/state").arg(kSerial);
    const QString availability = QStringLiteral("veltroma/%1/availability").arg(kSerial);
    ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.on(stateTopic).size() >= 3; }, 30'000))
        << run.errors().toStdString();
    ASSERT_TRUE(run.waitForRows(3, 10'000));
    EXPECT_EQ(subscriber.last(availability), "online");
    EXPECT_TRUE(run.errors().contains(QStringLiteral("mqtt connected to 127.0.0.1:%1").arg(broker.port())))
        << run.errors().toStdString();

    // The counter line asked for by SIGUSR1 carries the publisher's counters after the link's.
    ASSERT_EQ(::kill(pid_t(run.process().processId()), SIGUSR1), 0);
    QElapsedTimer waited;
    waited.start();
    const QRegularExpression counters(
        QStringLiteral("link counters: [^\n]*; mqtt sent (\\d+), dropped 0, failed 0, withheld 0, reconnects 0, connected\n"));
    QRegularExpressionMatch match;
    while (!(match = counters.match(run.errors())).hasMatch() && waited.elapsed() < 10'000)
        run.process().waitForReadyRead(100);
    ASSERT_TRUE(match.hasMatch()) << run.errors().toStdString();
    EXPECT_GE(match.captured(1).toInt(), 3);

    // Every state is the row printed for the same reply: same time, same values.
    int matched = 0;
    const QStringList rows = run.rows();
    for (const auto& message : subscriber.on(stateTopic)) {
        const QJsonObject state = QJsonDocument::fromJson(message.payload).object();
        const QDateTime time = QDateTime::fromString(state["time"].toString(), Qt::ISODate);
        ASSERT_TRUE(time.isValid()) << message.payload.toStdString();
        const QString printedTime = time.toLocalTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
        for (const QString& row : rows) {
            QStringList fields = row.split(u'\t');
            if (fields.value(0) != printedTime)
                continue;
            EXPECT_EQ(fields.value(1), "1");
            // From here on the fields are those of the record row, from its time on.
            fields.removeFirst();
            SCOPED_TRACE(row.toStdString());
            EXPECT_DOUBLE_EQ(state["dc_voltage"].toDouble(), fields[1].toDouble());
            EXPECT_DOUBLE_EQ(state["ac_voltage"].toDouble(), fields[2].toDouble());
            EXPECT_DOUBLE_EQ(state["frequency"].toDouble(), fields[3].toDouble());
            EXPECT_DOUBLE_EQ(state["ac_power"].toDouble(), fields[4].toDouble());
            EXPECT_DOUBLE_EQ(state["energy_today"].toDouble(), fields[5].toDouble());
            EXPECT_DOUBLE_EQ(state["minutes_today"].toDouble(), fields[6].toDouble());
            EXPECT_DOUBLE_EQ(state["energy_total"].toDouble(), fields[7].toDouble());
            EXPECT_DOUBLE_EQ(state["hours_total"].toDouble(), fields[8].toDouble());
            EXPECT_DOUBLE_EQ(state["temperature"].toDouble(), fields[9].toDouble());
            EXPECT_EQ(state["state"].toString(), fields.value(10));
            // The simulator's totals start at 12345.6 kWh.
            EXPECT_GE(state["energy_total"].toDouble(), 12345.6);
            ++matched;
            break;
        }
    }
    EXPECT_GE(matched, 2);

    // Discovery: one retained config per entity.
    int configs = 0;
    for (const auto& message : subscriber.messages())
        if (message.topic.startsWith(QStringLiteral("homeassistant/"))
            && message.topic.contains(QStringLiteral("/veltroma_%1/").arg(kSerial)))
            ++configs;
    EXPECT_EQ(configs, 13);
    EXPECT_EQ(subscriber.last(QStringLiteral("veltroma/%1/link").arg(kSerial)), "online");

    // Killed without a chance to say goodbye: the broker publishes the last will.
    run.process().kill();
    ASSERT_TRUE(run.process().waitForFinished(5000));
    ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.last(availability) == "offline"; }, 10'000));
}

TEST_F(HeadlessMqttTest, AnInverterThatStopsAnsweringLosesItsLinkWhileTheProgramAndTheOtherStay)
{
    InverterSim::Options options;
    options.otherUnits = {QString()};
    InverterSim sim(options);
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start()) << broker.log().toStdString();
    TopicSubscriber subscriber(broker.port(), QStringLiteral("veltroma/#"));
    ASSERT_TRUE(subscriber.started());

    const QString second = QStringLiteral("VT24000124");
    HeadlessRun run(sim.portPath(), mqttSection(broker.port())
                        + "[Inverters]\r\nCount=2\r\nSerial1=" + kSerial.toUtf8()
                        + "\r\nSerial2=" + second.toUtf8() + "\r\n");
    ASSERT_TRUE(run.started());
    const auto topic = [](const QString& serial, const char* leaf) {
        return QStringLiteral("veltroma/%1/%2").arg(serial, QLatin1String(leaf));
    };
    const auto is = [&](const QString& serial, const char* leaf, const QByteArray& payload) {
        return subscriber.last(topic(serial, leaf)) == payload;
    };
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            return is(kSerial, "link", "online") && is(second, "link", "online")
                && !subscriber.on(topic(second, "state")).isEmpty();
        },
        30'000))
        << run.errors().toStdString();

    // Unit 2 falls silent: after its missed cycles only its link goes offline.
    ASSERT_TRUE(sim.command(QStringLiteral("@2 silent on")));
    ASSERT_TRUE(subscriber.waitUntil([&] { return is(second, "link", "offline"); }, 40'000))
        << run.errors().toStdString();
    EXPECT_TRUE(is(second, "availability", "online"));
    EXPECT_TRUE(is(kSerial, "link", "online"));
    EXPECT_TRUE(is(kSerial, "availability", "online"));

    // It answers again: its link is back with its next reading.
    ASSERT_TRUE(sim.command(QStringLiteral("@2 silent off")));
    ASSERT_TRUE(subscriber.waitUntil([&] { return is(second, "link", "online"); }, 60'000))
        << run.errors().toStdString();
    for (const QString& serial : {kSerial, second}) {
        const auto offline = subscriber.on(topic(serial, "availability"));
        EXPECT_TRUE(std::none_of(offline.begin(), offline.end(),
                                 [](const auto& message) { return message.payload == "offline"; }))
            << serial.toStdString() << ": the program never stopped";
    }
}

TEST_F(HeadlessMqttTest, PollingKeepsItsPaceWhileTheBrokerIsDown)
{
    constexpr int kRows = 6;
    std::vector<double> without;
    {
        HeadlessRun run(sim_.portPath(), {});
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(run.waitForRows(kRows, 30'000)) << run.errors().toStdString();
        without = pollGaps(sim_);
    }
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning());
    // Nobody listens on this port; --mqtt overrides the (absent) settings.
    const int deadPort = freeLoopbackPort();
    HeadlessRun run(sim.portPath(), {},
                    {QStringLiteral("--mqtt"), QStringLiteral("127.0.0.1:%1").arg(deadPort)});
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.waitForRows(kRows, 30'000)) << run.errors().toStdString();
    const std::vector<double> with = pollGaps(sim);
    ASSERT_GE(with.size(), 4U);
    // The cycle is the same protocol wait either way; 0.2 s allows for a loaded machine's
    // scheduling, far below the one-second pause a blocking connection attempt would add.
    EXPECT_NEAR(median(with), median(without), 0.2);
    EXPECT_LT(*std::max_element(with.begin(), with.end()), median(without) + 0.5);

    // Said at once, then the retries go on quietly.
    const QString errors = run.errors();
    const QString broker = QStringLiteral("127.0.0.1:%1").arg(deadPort);
    EXPECT_EQ(errors.count(QStringLiteral("mqtt cannot connect to ") + broker + QStringLiteral(": ")), 1)
        << errors.toStdString();
    EXPECT_LE(errors.count(QStringLiteral("mqtt not connected to ") + broker), 1) << errors.toStdString();
}

TEST_F(HeadlessMqttTest, ARefusedPrefixIsSaidOnceAndTheLoggerRunsWithoutPublishing)
{
    MosquittoBroker broker;
    ASSERT_TRUE(broker.start()) << broker.log().toStdString();
    TopicSubscriber subscriber(broker.port());
    ASSERT_TRUE(subscriber.started());

    HeadlessRun run(sim_.portPath(), mqttSection(broker.port()) + "Prefix=pv/#\r\n");
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.waitForRows(3, 30'000)) << run.errors().toStdString();
    const QString errors = run.errors();
    EXPECT_EQ(errors.count(QStringLiteral("mqtt not publishing: the prefix \"pv/#\" holds the wildcard '#'")), 1)
        << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("mqtt publishing to"))) << errors.toStdString();
    // Nothing reached the broker: not even a last will or a discovery config.
    subscriber.waitUntil([] { return false; }, 500);
    EXPECT_TRUE(subscriber.messages().isEmpty()) << subscriber.messages().front().topic.toStdString();
}

TEST_F(HeadlessMqttTest, APasswordForAnotherMachineWithoutTlsIsWarnedAboutOnceWithoutShowingIt)
{
    // A documentation address: nobody answers there, and the publisher keeps trying quietly.
    HeadlessRun run(sim_.portPath(),
                    "[Mqtt]\r\nHost=192.0.2.1\r\nUser=solar\r\nPassword=s3cret\r\nTls=0\r\n");
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(run.waitForRows(3, 30'000)) << run.errors().toStdString();
    const QString errors = run.errors();
    EXPECT_EQ(errors.count(QStringLiteral("mqtt warning: the password of user solar travels "
                                          "unencrypted to 192.0.2.1:1883")),
              1)
        << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("s3cret")));
}

TEST(HeadlessMqttOptions, ABrokerThatIsNoHostIsRefusedBeforeAnythingStarts)
{
    QTemporaryDir home;
    for (const char* broker : {"bad host", "broker:99999", ""}) {
        QProcess process;
        process.start(QStringLiteral(VELTROMA_MONITOR_EXE),
                      {QStringLiteral("--headless"), QStringLiteral("--home"), home.path(),
                       QStringLiteral("--mqtt"), QString::fromUtf8(broker)});
        ASSERT_TRUE(process.waitForFinished(10'000));
        EXPECT_EQ(process.exitCode(), 2) << broker;
        EXPECT_TRUE(process.readAllStandardError().contains("MQTT broker")) << broker;
    }
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

} // namespace
} // namespace veltroma::test
