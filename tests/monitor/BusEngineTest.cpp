#include "EngineTestSupport.h"

#include "channel/Channel.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "monitor/DailyRecorder.h"
#include "monitor/MonitorEngine.h"
#include "support/InverterSim.h"
#include "support/ScriptedPrompt.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace veltroma::test {
namespace {

using Request = InverterSim::Request;

const QString kSerial1 = QStringLiteral("A1B2C3D4E5");
const QString kSerial2 = QStringLiteral("VT24000124");
const QString kSerial3 = QStringLiteral("VT24000125");

int destinationOf(const Request& r)
{
    return static_cast<unsigned char>(r.bytes.at(kOffsetDestination));
}

// Three inverters on the simulator's bus, the engine in this process on the real channel.
class BusEngineTest : public ::testing::Test {
protected:
    void start(const QStringList& unit1Arguments = {}, const QStringList& otherUnits = {"", ""})
    {
        InverterSim::Options options;
        options.otherUnits = otherUnits;
        // Noon: every plant gives most of its power.
        options.extraArguments = QStringList{QStringLiteral("--start-time"), QStringLiteral("12:00")}
                                 + unit1Arguments;
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        channel = std::make_unique<Channel>(steadyClock(), prompt);
        channel->COMM_CFG = sim->portPath() + QStringLiteral(",9600,8,N,1");
        channel->PortInit(0);
        ASSERT_TRUE(channel->ChannelOK());
        settings = std::make_unique<ProfileFile>(folder.filePath(QStringLiteral("setting.ini")));
        MonitorEngine::Setup setup{*channel, steadyClock(), display, folder.path() + '/', englishText,
                                   [] { return QDateTime::currentDateTime(); }};
        setup.inverters = loadInverterSlots(*settings);
        setup.keepSerial = [this](int slot, const QString& serial) {
            return saveSlotSerial(*settings, slot, serial);
        };
        setup.busRetryGapMs = 2000;
        engine = std::make_unique<MonitorEngine>(std::move(setup));
        QObject::connect(&engine->events(), &EngineEvents::slotLost, [this](int slot) {
            lost.fetch_or(1 << slot);
        });
        QObject::connect(&engine->events(), &EngineEvents::severalAnswering, [this] { ++gaveUp; });
    }

    void writeSettings(const QString& text)
    {
        QFile file(folder.filePath(QStringLiteral("setting.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    void TearDown() override
    {
        if (engine)
            engine->shutdown();
    }

    std::vector<Request> requestsOfKind(const QString& kind) const
    {
        std::vector<Request> found;
        for (const auto& r : sim->requests())
            if (r.kind == kind)
                found.push_back(r);
        return found;
    }

    // True once `slot`'s realtime poll has been sent `times` times.
    bool polled(int slot, std::size_t times) const
    {
        std::size_t seen = 0;
        for (const auto& r : requestsOfKind(QStringLiteral("poll-realtime")))
            seen += destinationOf(r) == slot ? 1 : 0;
        return seen >= times;
    }

    QTemporaryDir folder;
    ScriptedPrompt prompt;
    RecordingDisplay display;
    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<Channel> channel;
    std::unique_ptr<ProfileFile> settings;
    std::unique_ptr<MonitorEngine> engine;
    std::atomic<int> lost{0};
    std::atomic<int> gaveUp{0};
};

TEST_F(BusEngineTest, KnownSerialsAreAssignedWithoutAQueryAndPolledInTurnWithTheirPauses)
{
    writeSettings(QStringLiteral("[Inverters]\nCount=3\nSerial1=%1\nSerial2=%2\nSerial3=%3\n")
                      .arg(kSerial1, kSerial2, kSerial3));
    start();
    engine->OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([&] { return polled(1, 2); }, std::chrono::seconds(30)));
    engine->stopWorker();
    ASSERT_TRUE(waitFor([&] { return !engine->workerRunning(); }));

    const auto requests = sim->requests();
    ASSERT_GE(requests.size(), 5U);
    EXPECT_EQ(requests[0].kind, "clear-addresses");
    EXPECT_EQ(requests[1].kind, "clear-addresses");
    const QStringList serials{kSerial1, kSerial2, kSerial3};
    for (int i = 0; i < 3; ++i) {
        const Request& assign = requests[std::size_t(2 + i)];
        EXPECT_EQ(assign.kind, "assign-address");
        EXPECT_EQ(assign.bytes.mid(9, 11), serials[i].toLatin1() + char(i + 1)) << i;
    }
    EXPECT_TRUE(requestsOfKind(QStringLiteral("query-serial")).empty());

    // Each inverter's pair of polls, a second apart, then the next inverter's.
    std::vector<Request> polls;
    for (const auto& r : requests)
        if (r.kind.startsWith(QStringLiteral("poll-")))
            polls.push_back(r);
    ASSERT_GE(polls.size(), 7U);
    for (std::size_t i = 0; i + 1 < 7; i += 2) {
        const int slot = int(i / 2) % 3 + 1;
        EXPECT_EQ(polls[i].kind, "poll-realtime") << i;
        EXPECT_EQ(destinationOf(polls[i]), slot) << i;
        EXPECT_EQ(polls[i + 1].kind, "poll-settings") << i;
        EXPECT_EQ(destinationOf(polls[i + 1]), slot) << i;
        EXPECT_GE(polls[i + 1].seconds - polls[i].seconds, 1.45) << i;
    }
    EXPECT_EQ(destinationOf(polls[6]), 1);
    for (int slot = 1; slot <= 3; ++slot) {
        EXPECT_TRUE(engine->busSlots().status(slot).registered) << slot;
        EXPECT_TRUE(engine->busSlots().status(slot).lastSeen.isValid()) << slot;
    }
}

TEST_F(BusEngineTest, InvertersThatWakeOneAfterAnotherAreFoundAndKeptInTheirSlots)
{
    writeSettings(QStringLiteral("[Inverters]\nCount=3\n"));
    start();
    ASSERT_TRUE(sim->command(QStringLiteral("@2 night on")));
    ASSERT_TRUE(sim->command(QStringLiteral("@3 night on")));
    engine->OnChangeUseriSwitchLEDX0(true);
    const auto keptIn = [&](int slot, const QString& serial) {
        return waitFor([&] { return loadInverterSlots(*settings).serials[std::size_t(slot)] == serial; },
                       std::chrono::seconds(30));
    };
    ASSERT_TRUE(keptIn(1, kSerial1));

    ASSERT_TRUE(sim->command(QStringLiteral("@3 night off")));
    ASSERT_TRUE(keptIn(2, kSerial3));
    ASSERT_TRUE(sim->command(QStringLiteral("@2 night off")));
    ASSERT_TRUE(keptIn(3, kSerial2));
    engine->stopWorker();
    ASSERT_TRUE(waitFor([&] { return !engine->workerRunning(); }));

    // Slots are given in the order the inverters were found, and kept for good.
    const InverterSlots kept = loadInverterSlots(*settings);
    EXPECT_EQ(kept.serials[1], kSerial1);
    EXPECT_EQ(kept.serials[2], kSerial3);
    EXPECT_EQ(kept.serials[3], kSerial2);
    EXPECT_EQ(requestsOfKind(QStringLiteral("clear-addresses")).size(), 2U);
    EXPECT_EQ(gaveUp.load(), 0);
}

TEST_F(BusEngineTest, InvertersAnsweringAtOnceEndTheSearchAfterThreeCollisionsWithOneMessage)
{
    writeSettings(QStringLiteral("[Inverters]\nCount=3\n"));
    start();
    engine->OnChangeUseriSwitchLEDX0(false);
    ASSERT_TRUE(waitFor([&] { return !engine->switching(); }));

    EXPECT_EQ(requestsOfKind(QStringLiteral("query-serial")).size(), 3U);
    EXPECT_GE(sim->collisions().size(), 3);
    EXPECT_TRUE(requestsOfKind(QStringLiteral("assign-address")).empty());
    EXPECT_EQ(gaveUp.load(), 1);
    EXPECT_TRUE(loadInverterSlots(*settings).serials[1].isEmpty());
}

// What python's xlrd, a reader independent of ours, finds in a month file.
QJsonObject monthReadByXlrd(const QString& file)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELTROMA_XLRD_ROWS), file});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

TEST_F(BusEngineTest, AnInverterAsleepGoesDarkAloneAndComesBackWithoutAClear)
{
    writeSettings(QStringLiteral("[Inverters]\nCount=3\nSerial1=%1\nSerial2=%2\nSerial3=%3\n")
                      .arg(kSerial1, kSerial2, kSerial3));
    start({QStringLiteral("--rated-power"), QStringLiteral("1000")},
          {QStringLiteral("rated-power=3000"), QStringLiteral("rated-power=8000")});
    DailyRecorder recorder;
    const auto recordTick = [&] {
        engine->refreshTick(RefreshState::RealtimeConnected);
        for (const InverterModel& row : engine->rowsToRecord())
            recorder.record(row);
    };
    engine->refreshTick(RefreshState::RealtimeDisconnected);
    engine->OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([&] { return polled(3, 1) && engine->snapshot().live[3]; }, std::chrono::seconds(30)));
    recordTick();

    ASSERT_TRUE(sim->command(QStringLiteral("@2 night on")));
    ASSERT_TRUE(waitFor([&] { return (lost.load() & (1 << 2)) != 0; }, std::chrono::seconds(60)));
    EXPECT_EQ(lost.load(), 1 << 2);
    EXPECT_TRUE(engine->busSlots().status(2).lost);
    const auto whileAsleep = engine->rowsToRecord();
    ASSERT_EQ(whileAsleep.size(), 2U);
    EXPECT_EQ(whileAsleep[0].recordSlot, 1);
    EXPECT_EQ(whileAsleep[1].recordSlot, 3);
    recordTick();

    ASSERT_TRUE(sim->command(QStringLiteral("@2 night off")));
    ASSERT_TRUE(waitFor([&] { return !engine->busSlots().status(2).lost; }, std::chrono::seconds(30)));
    engine->stopWorker();
    ASSERT_TRUE(waitFor([&] { return !engine->workerRunning(); }));
    EXPECT_EQ(requestsOfKind(QStringLiteral("clear-addresses")).size(), 2U);
    EXPECT_GE(requestsOfKind(QStringLiteral("assign-address")).size(), 4U);

    // Each inverter's month file holds its own serial and its own plant's power only.
    const QStringList serials{kSerial1, kSerial2, kSerial3};
    const std::array<int, 3> rows{2, 1, 2};
    const std::array<double, 3> ratedWatts{1000, 3000, 8000};
    for (int slot = 1; slot <= 3; ++slot) {
        SCOPED_TRACE(slot);
        const RecordPaths paths = LoadDataSet(folder.path() + '/', QDateTime::currentDateTime(), slot);
        const QJsonObject month = monthReadByXlrd(paths.sWriteExcelPath);
        ASSERT_FALSE(month.isEmpty());
        EXPECT_EQ(month[QStringLiteral("serial")].toString(), serials[slot - 1]);
        const QJsonArray days = month[QStringLiteral("days")].toObject()[paths.sExcelShellName].toArray();
        ASSERT_EQ(days.size(), rows[std::size_t(slot - 1)]);
        for (const auto& row : days) {
            const double watts = row.toArray().at(4).toString().toDouble();
            EXPECT_GT(watts, ratedWatts[std::size_t(slot - 1)] * 0.5);
            EXPECT_LE(watts, ratedWatts[std::size_t(slot - 1)]);
        }
    }
}

} // namespace
} // namespace veltroma::test
