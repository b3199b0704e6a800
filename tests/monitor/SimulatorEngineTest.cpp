#include "EngineTestSupport.h"

#include "channel/Channel.h"
#include "monitor/MonitorEngine.h"
#include "support/InverterSim.h"
#include "support/ScriptedPrompt.h"

#include "monitor/DailyRecorder.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

using Request = InverterSim::Request;

QByteArray assignment(const QByteArray& serial)
{
    QByteArray frame = QByteArray::fromHex("435A0000000000010B") + serial + '\x01';
    unsigned sum = 0;
    for (const char c : frame)
        sum += static_cast<unsigned char>(c);
    frame.append(static_cast<char>(sum >> 8));
    frame.append(static_cast<char>(sum & 0xFF));
    return frame;
}

// The engine in this process on the real channel, talking to the simulator over its
// pseudo-terminal.
class SimulatorEngineTest : public ::testing::Test {
protected:
    void start(const InverterSim::Options& options, const QString& programFolder = QStringLiteral("/pv/"))
    {
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        channel = std::make_unique<Channel>(steadyClock(), prompt);
        channel->COMM_CFG = sim->portPath() + QStringLiteral(",9600,8,N,1");
        channel->PortInit(0);
        ASSERT_TRUE(channel->ChannelOK());
        engine = std::make_unique<MonitorEngine>(MonitorEngine::Setup{
            *channel, steadyClock(), display, programFolder, englishText,
            [] { return QDateTime::currentDateTime(); }});
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

    ScriptedPrompt prompt;
    RecordingDisplay display;
    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<Channel> channel;
    std::unique_ptr<MonitorEngine> engine;
};

TEST_F(SimulatorEngineTest, RegistrationSendsItsFramesInOrderAndShowsTheSerial)
{
    start({});
    EXPECT_FALSE(engine->OnChangeUseriSwitchLEDX0(false));
    ASSERT_TRUE(waitFor([&] { return !engine->switching(); }));

    const auto requests = sim->requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].bytes, QByteArray::fromHex("435A0000000000030000A0"));
    EXPECT_EQ(requests[1].bytes, requests[0].bytes);
    EXPECT_EQ(requests[2].bytes, QByteArray::fromHex("435A00000000000000009D"));
    EXPECT_EQ(requests[3].bytes, assignment("A1B2C3D4E5"));
    ASSERT_FALSE(display.captions().empty());
    EXPECT_EQ(display.captions().back().second, "A1B2C3D4E5");
    EXPECT_EQ(engine->snapshot().sSerialNums[1], "A1B2C3D4E5");
}

TEST_F(SimulatorEngineTest, SerialWithAZeroByteIsShownCut)
{
    InverterSim::Options options;
    options.serial = QStringLiteral("A1B2\\x00C3D4E");
    start(options);
    engine->OnChangeUseriSwitchLEDX0(false);
    ASSERT_TRUE(waitFor([&] { return !engine->switching(); }));

    EXPECT_EQ(display.captions().back().second, "A1B2");
    const auto assigned = requestsOfKind("assign-address");
    ASSERT_EQ(assigned.size(), 1U);
    EXPECT_EQ(assigned[0].bytes, assignment(QByteArray("A1B2\0C3D4E", 10)));
}

// What python's xlrd, a reader independent of ours, finds in row 3 of a day sheet.
QStringList rowReadByXlrd(const QString& file, const QString& sheet)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import json, sys, xlrd\n"
                                 "s = xlrd.open_workbook(sys.argv[1]).sheet_by_name(sys.argv[2])\n"
                                 "print(json.dumps([str(v) for v in s.row_values(2)] if s.nrows > 2 else []))"),
                  file, sheet});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {QString::fromUtf8(python.readAllStandardError())};
    QStringList row;
    for (const auto& v : QJsonDocument::fromJson(python.readAllStandardOutput()).array())
        row << v.toString();
    while (!row.isEmpty() && row.back().isEmpty())
        row.removeLast();
    return row;
}

TEST_F(SimulatorEngineTest, TheFirstRecordEventWritesTheRowOfTheLatestReply)
{
    QTemporaryDir home;
    start({}, home.path() + u'/');
    DailyRecorder recorder;
    std::vector<RecordingState> states;
    engine->refreshTick(RefreshState::RealtimeDisconnected); // registration has ended
    engine->OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([&] { return engine->snapshot().realtimeDecoded; }));
    engine->refreshTick(RefreshState::RealtimeConnected);
    ASSERT_TRUE(engine->recordingEnabled());
    engine->stopWorker();
    ASSERT_TRUE(waitFor([&] { return !engine->workerRunning(); }));

    const auto rows = engine->rowsToRecord();
    ASSERT_EQ(rows.size(), 1U);
    const InverterModel& snapshot = rows.front();
    states.push_back(recorder.record(snapshot));
    ASSERT_EQ(states.size(), 1U);
    EXPECT_FALSE(states[0].failing) << states[0].reason.toStdString();
    EXPECT_EQ(states[0].lastRowAt, snapshot.paths.recordedAt);
    EXPECT_EQ(rowReadByXlrd(snapshot.paths.sWriteExcelPath, snapshot.paths.sExcelShellName), snapshot.NewRow);
}

TEST_F(SimulatorEngineTest, OnlyAWorkerStartedInTheFirstSecondPollsWithControlZero)
{
    start({});
    // Switched on before the first refresh: control 0x00 until the progress count has run.
    ASSERT_TRUE(engine->OnChangeUseriSwitchLEDX0(true));
    ASSERT_TRUE(waitFor([&] { return requestsOfKind("poll-settings").size() >= 1; }));
    // The reply to the 0x00 poll is decoded like any other.
    EXPECT_TRUE(waitFor([&] { return engine->snapshot().realtimeDecoded; }));
    for (int tick = 0; tick < 12; ++tick)
        engine->refreshTick(RefreshState::RealtimeConnected);
    const auto before = sim->requests().size();
    ASSERT_TRUE(waitFor([&] { return sim->requests().size() >= before + 2; }));
    engine->OnChangeUseriSwitchLEDX0(false);
    ASSERT_TRUE(waitFor([&] { return !engine->switching() && !engine->workerRunning(); }));

    const auto polls = requestsOfKind("poll-realtime");
    ASSERT_GE(polls.size(), 2U);
    EXPECT_EQ(polls.front().bytes, QByteArray::fromHex("435A0000000100020000A0"));
    EXPECT_EQ(polls.back().bytes, QByteArray::fromHex("435A0000000101020000A1"));

    // A worker started later polls with 0x01 from the first request on.
    const auto count = sim->requests().size();
    engine->OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([&] { return sim->requests().size() >= count + 5; }));
    const auto all = sim->requests();
    for (auto i = static_cast<qsizetype>(count); i < all.size(); ++i) {
        if (all[i].kind.startsWith("poll-")) {
            EXPECT_EQ(static_cast<unsigned char>(all[i].bytes.at(6)), 0x01) << i;
        }
    }
}

} // namespace
} // namespace veltroma::test
