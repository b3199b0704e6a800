#include "EngineTestSupport.h"

#include "monitor/CommWorker.h"
#include "monitor/SlotPoller.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/Watchdog.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>

namespace veltroma::test {
namespace {

// Ticks every 500 ms of a time line; a reply is marked at a chosen moment.
struct TickedWatchdog {
    TickedWatchdog()
    {
        watchdog.onLost([this] { lostAt = now; });
        watchdog.onBack([this] { backAt = now; });
    }

    void runUntil(std::int64_t end)
    {
        for (; now + 500 <= end;) {
            now += 500;
            watchdog.tick();
        }
    }

    Watchdog watchdog;
    std::int64_t now = 0;
    std::optional<std::int64_t> lostAt;
    std::optional<std::int64_t> backAt;
};

TEST(WatchdogTest, LossIsDeclaredTwentyToTwentyAndAHalfSecondsAfterTheLastReply)
{
    // The reply comes right after a tick, between two ticks, or just before a tick.
    for (const std::int64_t offset : {0, 1, 250, 499}) {
        TickedWatchdog t;
        const std::int64_t replyAt = 10'000 + offset;
        t.runUntil(replyAt);
        t.watchdog.markAlive();
        t.runUntil(replyAt + 30'000);
        ASSERT_TRUE(t.lostAt) << offset;
        EXPECT_GE(*t.lostAt - replyAt, 20'000) << offset;
        EXPECT_LE(*t.lostAt - replyAt, 20'500) << offset;
        EXPECT_FALSE(t.watchdog.enabled());
        EXPECT_EQ(t.watchdog.iCommunicationNoOkCount(), 0);
    }
}

TEST(WatchdogTest, RepliesKeepTheLinkAndTheNextReplyAfterALossBringsItBack)
{
    TickedWatchdog t;
    t.watchdog.markAlive();
    for (int second = 0; second < 60; ++second) {
        t.runUntil(t.now + 1000);
        t.watchdog.markAlive();
    }
    EXPECT_FALSE(t.lostAt);

    t.runUntil(t.now + 25'000);
    ASSERT_TRUE(t.lostAt);
    EXPECT_FALSE(t.backAt);
    // A disabled watchdog neither counts nor reports.
    t.runUntil(t.now + 60'000);
    EXPECT_EQ(*t.lostAt, 60'000 + 20'500); // the last reply came right after a tick

    t.watchdog.markAlive();
    EXPECT_TRUE(t.watchdog.enabled());
    t.runUntil(t.now + 500);
    EXPECT_TRUE(t.backAt);
    EXPECT_EQ(t.watchdog.CommunicationOkFlg(), 0);
    EXPECT_EQ(t.watchdog.iCommunicationNoOkCount(), 1);
}

TEST(WatchdogTest, ArmedAtSwitchOnDeclaresALinkThatNeverAnsweredLostAfterTwentySeconds)
{
    // Switched on right after a tick, between two ticks, or just before a tick.
    for (const std::int64_t offset : {0, 1, 250, 499}) {
        SCOPED_TRACE(offset);
        TickedWatchdog t;
        const std::int64_t switchedOnAt = 3'000 + offset;
        t.runUntil(switchedOnAt);
        EXPECT_FALSE(t.watchdog.enabled());
        t.watchdog.arm();
        t.runUntil(switchedOnAt + 30'000);
        ASSERT_TRUE(t.lostAt);
        EXPECT_GE(*t.lostAt - switchedOnAt, 20'000);
        EXPECT_LE(*t.lostAt - switchedOnAt, 20'500);
        EXPECT_TRUE(t.watchdog.lost());
    }
}

TEST(WatchdogTest, SwitchingOnAgainStartsTheCountAfreshButAnEarlierLossLastsUntilAReply)
{
    TickedWatchdog t;
    t.watchdog.arm();
    t.runUntil(15'000);
    t.watchdog.arm(); // off and on again: twenty more seconds
    t.runUntil(34'000);
    EXPECT_FALSE(t.lostAt);
    t.runUntil(36'000);
    ASSERT_TRUE(t.lostAt);

    t.watchdog.arm();
    t.runUntil(40'000);
    EXPECT_TRUE(t.watchdog.lost());
    EXPECT_FALSE(t.backAt);
    t.watchdog.markAlive();
    t.runUntil(40'500);
    EXPECT_TRUE(t.backAt);
    EXPECT_FALSE(t.watchdog.lost());
}

// The worker and the watchdog together in virtual time: the inverter answers, then its cable
// is pulled, then it is plugged back in.
TEST(WatchdogTest, PulledCableSeenByTheWorkerIsDeclaredLostThenBack)
{
    VirtualClock clock(0);
    FakeLink link(clock);
    EngineLink engineLink(link, clock);
    EngineFlags flags;
    flags.COMM_CMD = 1;
    flags.RegistEndFlg = 1;
    SharedModel model;

    // Remembers the virtual time of the last decoded (so validated) reply.
    struct TimedDisplay final : DisplayUpdates {
        explicit TimedDisplay(Clock& c) : clock(c) {}
        void setListText(int, int, const QString&) override { lastUpdate = clock.nowMs(); }
        void setPowerGauge(double, const QString&) override {}
        void setEnergyOdometers(double, double) override {}
        void setStateLamp(int, ColorRef, const QString&) override {}
        void setSlotCaption(int, const QString&) override {}
        Clock& clock;
        std::atomic<std::int64_t> lastUpdate{-1};
    } display(clock);

    ReplyDecoder decoder(model, display, "/pv/", englishText, [] { return QDateTime::currentDateTime(); });
    Watchdog watchdog;
    std::optional<std::int64_t> lostAt;
    std::optional<std::int64_t> backAt;
    std::int64_t lastReplyAtLoss = -1;
    std::int64_t nextTick = 500;
    watchdog.onLost([&] {
        lostAt = nextTick;
        lastReplyAtLoss = display.lastUpdate;
    });
    watchdog.onBack([&] { backAt = nextTick; });
    SlotPoller poller(engineLink, flags, decoder, watchdog);
    CommWorker worker(engineLink, poller);

    const std::int64_t pulledAt = 30'000;
    const std::int64_t pluggedAt = 80'000;
    link.respondWith([&](FakeLink& l, const FakeLink::Sent& sent) {
        if (sent.atMs >= pulledAt && sent.atMs < pluggedAt)
            return;
        const auto function = sent.bytes.at(kOffsetFunction);
        l.arrive(sent.atMs + 20, function == 0x02 ? replyFrame(0x82, exampleRealtimeData())
                                                  : replyFrame(0x84, std::vector<std::uint8_t>(18, 0)));
    });
    std::atomic<bool> done{false};
    clock.onSleep([&](std::int64_t now) {
        for (; nextTick <= now; nextTick += 500)
            watchdog.tick();
        if (now > pluggedAt + 10'000 && !done.exchange(true))
            worker.SetThreadState(false);
    });

    worker.SetThreadState(true);
    ASSERT_TRUE(waitFor([&] { return done && !worker.running(); }));
    clock.onSleep({});

    ASSERT_TRUE(lostAt);
    EXPECT_GT(lastReplyAtLoss, pulledAt - 3000);
    EXPECT_GE(*lostAt - lastReplyAtLoss, 20'000);
    EXPECT_LE(*lostAt - lastReplyAtLoss, 20'500);
    ASSERT_TRUE(backAt);
    EXPECT_GT(*backAt, pluggedAt);
    EXPECT_LT(*backAt, pluggedAt + 6'000);
    EXPECT_TRUE(watchdog.enabled());
}

} // namespace
} // namespace veltroma::test
