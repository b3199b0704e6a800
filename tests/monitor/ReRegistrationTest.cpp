#include "EngineTestSupport.h"

#include "monitor/MonitorEngine.h"
#include "monitor/ReRegistration.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>

namespace veltroma::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ReRegistrationTest, RunsAtOnceAfterALossThenAtMostEveryThirtySecondsUntilAnswered)
{
    ReRegistration r;
    r.reset(0);
    EXPECT_FALSE(r.due(0, 0));
    r.request();
    EXPECT_TRUE(r.due(1'000, 0));
    EXPECT_FALSE(r.due(1'001, 0));
    EXPECT_FALSE(r.due(30'999, 0));
    EXPECT_TRUE(r.due(31'000, 0));
    r.answered();
    EXPECT_FALSE(r.due(100'000, 0));
    EXPECT_FALSE(r.pending());
}

TEST(ReRegistrationTest, AReopenAsksForOneButReopensBeforeSwitchOnDoNot)
{
    ReRegistration r;
    r.reset(3);
    EXPECT_FALSE(r.due(0, 3));
    EXPECT_TRUE(r.due(5'000, 4));
    r.answered();
    EXPECT_FALSE(r.due(50'000, 4));
    // A second reopen soon after an attempt still waits out the thirty seconds.
    EXPECT_FALSE(r.due(20'000, 5));
    EXPECT_TRUE(r.pending());
    EXPECT_TRUE(r.due(35'000, 5));
}

// The engine in virtual time with an inverter that sleeps from the start: it answers
// nothing, and once awake answers only the registration until it has been given its address.
class SleepingInverterTest : public ::testing::Test {
protected:
    SleepingInverterTest()
        : fake(clock),
          link(fake),
          engine({link, clock, display, QStringLiteral("/pv/"), englishText,
                  [] { return QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)); },
                  QStringLiteral("/dev/ttyUSB0")})
    {
        QObject::connect(&engine.events(), &EngineEvents::linkStateChanged,
                         [this](const LinkState& state) {
                             if (state.lost())
                                 reasons.push_back(state.reason);
                             else if (state.kind == LinkState::Kind::Alive && wasLost)
                                 ++backs;
                             wasLost = state.lost();
                         });
        fake.respondWith([this](FakeLink& l, const FakeLink::Sent& sent) {
            const auto function = sent.bytes.at(kOffsetFunction);
            const auto destination = sent.bytes.at(kOffsetDestination);
            if (!awake)
                return;
            if (destination == 0x00 && function == 0x03) {
                registered = false;
            } else if (destination == 0x00 && function == 0x00 && !registered) {
                l.arrive(sent.atMs + 30, replyFrame(0x80, Bytes(10, 'S'), 0x00));
            } else if (destination == 0x00 && function == 0x01) {
                registered = true;
            } else if (destination == 0x01 && function == 0x02 && registered) {
                l.arrive(sent.atMs + 30, replyFrame(0x82, exampleRealtimeData()));
            }
        });
    }

    ~SleepingInverterTest() override { engine.shutdown(); }

    // Virtual times of the serial-number queries sent from `fromMs` on.
    std::vector<std::int64_t> queriesFrom(std::int64_t fromMs) const
    {
        std::vector<std::int64_t> times;
        for (const auto& sent : fake.sent())
            if (sent.atMs >= fromMs && sent.bytes.at(kOffsetFunction) == 0x00
                && sent.bytes.at(kOffsetDestination) == 0x00)
                times.push_back(sent.atMs);
        return times;
    }

    void tickUntilLost()
    {
        for (int tick = 0; tick < 41; ++tick)
            engine.watchdogTick();
    }

    VirtualClock clock;
    FakeLink fake;
    CountingLink link;
    RecordingDisplay display;
    MonitorEngine engine;
    std::atomic<bool> awake{false};
    std::atomic<bool> registered{false};
    std::vector<QString> reasons;
    int backs = 0;
    bool wasLost = false;
};

TEST_F(SleepingInverterTest, RegistersAgainEveryThirtySecondsAfterTheLossAndStopsOnceAwake)
{
    engine.refreshTick(RefreshState::RealtimeDisconnected);
    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return !engine.switching(); }));
    for (int second = 0; second < 12; ++second) // the switch's progress runs out
        engine.refreshTick(RefreshState::RealtimeConnected);
    // Taken before the loss: the worker may register again in the instant the loss is
    // declared, before this thread reads the clock.
    const std::int64_t lostAt = clock.nowMs();
    tickUntilLost();
    ASSERT_EQ(reasons, std::vector<QString>{"no reply from the inverter on /dev/ttyUSB0"});
    ASSERT_TRUE(waitFor([&] { return clock.nowMs() > lostAt + 125'000; }));
    const auto night = queriesFrom(lostAt);
    ASSERT_GE(night.size(), 4U);
    // One poll cycle with two unanswered polls lasts about 5.6 s: a repeat comes at the
    // first cycle boundary thirty seconds after the previous one.
    EXPECT_LE(night.front() - lostAt, 6'000);
    for (std::size_t i = 1; i < night.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(night[i] - night[i - 1], 30'000);
        EXPECT_LE(night[i] - night[i - 1], 36'000);
    }

    awake = true;
    ASSERT_TRUE(waitFor([this] { return engine.snapshot().realtimeDecoded; }));
    engine.watchdogTick();
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(engine.snapshot().sSerialNums[1], "SSSSSSSSSS");
    const std::size_t attempts = queriesFrom(lostAt).size();
    EXPECT_EQ(link.health()->snapshot().reRegistrations, attempts);

    const std::int64_t wokeAt = clock.nowMs();
    ASSERT_TRUE(waitFor([&] { return clock.nowMs() > wokeAt + 100'000; }));
    EXPECT_EQ(queriesFrom(lostAt).size(), attempts);
    EXPECT_EQ(engine.registration().RegistStartFlg(), 0); // no progress for these repeats
}

TEST_F(SleepingInverterTest, AReopenedPortIsRegisteredAgainWithoutALoss)
{
    awake = true;
    engine.refreshTick(RefreshState::RealtimeDisconnected);
    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([this] { return engine.snapshot().realtimeDecoded; }));

    // The adapter was replugged and the inverter, powered all along, lost nothing: one
    // registration, then the polls go on.
    const std::int64_t reopenedAt = clock.nowMs();
    link.health()->count(LinkEvent::Reopen);
    ASSERT_TRUE(waitFor([&] { return clock.nowMs() > reopenedAt + 100'000; }));
    EXPECT_EQ(queriesFrom(reopenedAt).size(), 1U);
    EXPECT_EQ(link.health()->snapshot().reRegistrations, 1U);
    EXPECT_TRUE(reasons.empty());
}

} // namespace
} // namespace veltroma::test
