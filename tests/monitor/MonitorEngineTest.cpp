#include "EngineTestSupport.h"

#include "monitor/MonitorEngine.h"
#include "monitor/Recorder.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

struct RowRecorder final : Recorder {
    RecordingState record(const InverterModel& snapshot) override
    {
        rows.push_back(snapshot.NewRow);
        return {};
    }
    std::vector<QStringList> rows;
};

// The engine's timer logic: what the refresh, the watchdog and the recording tick do with
// each other, on a link whose inverter answers every poll.
class MonitorEngineTest : public ::testing::Test {
protected:
    MonitorEngineTest()
        : link(clock),
          engine({link, clock, display, QStringLiteral("/pv/"), englishText,
                  [] { return QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)); }})
    {
        QObject::connect(&engine.events(), &EngineEvents::linkStateChanged,
                         [this](const LinkState& state) { lost += state.lost() ? 1 : 0; });
        link.respondWith([](FakeLink& l, const FakeLink::Sent& sent) {
            if (sent.bytes.at(kOffsetDestination) == 0x01 && sent.bytes.at(kOffsetFunction) == 0x02)
                l.arrive(sent.atMs + 30, replyFrame(0x82, exampleRealtimeData()));
        });
    }

    ~MonitorEngineTest() override { engine.shutdown(); }

    // The recording tick, saving in place.
    void recordingTick()
    {
        for (const InverterModel& row : engine.rowsToRecord())
            recorder.record(row);
    }

    VirtualClock clock;
    FakeLink link;
    RecordingDisplay display;
    RowRecorder recorder;
    MonitorEngine engine;
    int lost = 0;
};

TEST_F(MonitorEngineTest, RecordsOnlyWhileConnectedAndOnceARowExists)
{
    engine.refreshTick(RefreshState::RealtimeConnected);
    EXPECT_TRUE(engine.recordingEnabled());
    recordingTick();
    EXPECT_TRUE(recorder.rows.empty()); // no realtime reply decoded yet

    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return engine.snapshot().realtimeDecoded; }));
    recordingTick();
    recordingTick();
    ASSERT_EQ(recorder.rows.size(), 2U); // the same row twice when no reply came between
    EXPECT_EQ(recorder.rows[0].size(), 11);
    EXPECT_EQ(recorder.rows[0].back(), "Normal");

    engine.refreshTick(RefreshState::RealtimeDisconnected);
    EXPECT_FALSE(engine.recordingEnabled());
    EXPECT_FALSE(engine.watchdog().enabled());
    recordingTick();
    EXPECT_EQ(recorder.rows.size(), 2U);
}

TEST_F(MonitorEngineTest, AfterADeclaredLossTheRefreshRecordsNothingUntilAReplyCameAgain)
{
    engine.refreshTick(RefreshState::RealtimeDisconnected); // registration has ended
    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return engine.snapshot().realtimeDecoded; }));
    engine.stopWorker();
    ASSERT_TRUE(waitFor([this] { return !engine.workerRunning(); }));

    engine.refreshTick(RefreshState::RealtimeConnected);
    for (int tick = 0; tick < 42 && lost == 0; ++tick)
        engine.watchdogTick();
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(engine.recordingEnabled());
    EXPECT_FALSE(engine.watchdog().enabled());

    // A night of refreshes: the last evening row is not written again and again.
    for (int second = 0; second < 600; ++second)
        engine.refreshTick(RefreshState::RealtimeConnected);
    EXPECT_FALSE(engine.recordingEnabled());
    recordingTick();
    EXPECT_TRUE(recorder.rows.empty());

    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return engine.watchdog().CommunicationOkFlg() == 1; }));
    engine.watchdogTick();
    engine.refreshTick(RefreshState::RealtimeConnected);
    EXPECT_TRUE(engine.recordingEnabled());
}

TEST_F(MonitorEngineTest, ASilentLinkIsDeclaredLostFortyTicksAfterSwitchOn)
{
    link.respondWith({});
    engine.refreshTick(RefreshState::RealtimeDisconnected);
    engine.OnChangeUseriSwitchLEDX0(true);
    EXPECT_TRUE(engine.watchdog().enabled());
    for (int tick = 0; tick < 40; ++tick)
        engine.watchdogTick();
    EXPECT_EQ(lost, 0);
    engine.watchdogTick();
    EXPECT_EQ(lost, 1);
}

} // namespace
} // namespace veltroma::test
