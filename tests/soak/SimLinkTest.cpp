#include "SimLink.h"
#include "SoakClock.h"

#include "channel/BaseCom.h"
#include "link/Commands.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

namespace veltroma::soak {
namespace {

// An awake inverter in a plant at noon of day 0, behind the in-process link.
class SimLinkTest : public ::testing::Test {
protected:
    SoakClock clock{0};
    sim::PlantModel plant{sim::PlantConfig{}, 12 * 3600.0};
    std::mt19937 noise{7};
    sim::Inverter inverter{sim::InverterConfig{}, plant, noise};
    SimLink link{{clock, inverter, plant, [](std::int64_t ms) { return 12 * 3600.0 + ms / 1000.0; }, 7}};
    TxBuffer tx{};
    RxBuffer rx{};

    int querySerial()
    {
        std::lock_guard lock(link.linkLock());
        SendRequest(link, tx, kBroadcastAddress, kControlRegister, kFunctionQuerySerial);
        return RecvDataBack(link, clock, rx);
    }
};

TEST_F(SimLinkTest, AReplyArrivesAtNineThousandSixHundredBaudAfterThePortPause)
{
    const std::int64_t before = clock.nowMs();
    const int length = querySerial();

    ASSERT_GT(length, 0);
    EXPECT_EQ(rx[kOffsetFunction], kFunctionQuerySerial | kReplyFlag);
    // Pause, request out (11 bytes), turnaround 5 ms, reply in at 1.042 ms a byte; the
    // receiver ends at the last byte (the checksum tells it the frame is whole).
    const double wire = (11 + length) * 1.042 + 5;
    EXPECT_NEAR(static_cast<double>(clock.nowMs() - before), kPortPauseMs + wire, 2.0);
}

TEST_F(SimLinkTest, APluggedBackAdapterOpensAtTheChannelsNextReopeningAttemptCountedOnce)
{
    link.unplug();
    EXPECT_FALSE(link.ChannelOK());
    EXPECT_EQ(querySerial(), 0);

    // Unplugged at 0: the channel tries at 1, 3, 7, 15 s; back at 4 s, open at 7 s.
    clock.sleepMs(4000 - clock.nowMs());
    link.plugIn();
    link.plugIn();
    clock.sleepMs(6999 - clock.nowMs());
    EXPECT_FALSE(link.ChannelOK());
    clock.sleepMs(1);
    EXPECT_TRUE(link.ChannelOK());
    EXPECT_TRUE(link.ChannelOK());
    EXPECT_EQ(link.health()->snapshot().reopens, 1u);
    EXPECT_GT(querySerial(), 0);
}

TEST_F(SimLinkTest, SilenceAndSleepKeepTheInverterQuietAndSleepMakesItForgetItsAddress)
{
    inverter.setAddress(kInverterAddress);
    link.setSilent(true);
    EXPECT_EQ(querySerial(), 0);
    link.setSilent(false);
    EXPECT_EQ(inverter.address(), kInverterAddress);

    link.setAsleep(true);
    EXPECT_EQ(querySerial(), 0);
    EXPECT_EQ(inverter.address(), 0);
    link.setAsleep(false);
    EXPECT_GT(querySerial(), 0);
}

TEST_F(SimLinkTest, AGarbledLineMakesRepliesFailTheirChecks)
{
    link.setGarble(3);
    int good = 0;
    for (int i = 0; i < 20; ++i)
        good += querySerial() > 0 ? 1 : 0;
    EXPECT_LT(good, 20);
    const LinkCounters counters = link.health()->snapshot();
    EXPECT_GT(counters.rejectedChecksum + counters.rejectedHeader + counters.rejectedLength, 0u);
}

} // namespace
} // namespace veltroma::soak
