#include "SimLink.h"
#include "SoakClock.h"

#include "channel/BaseCom.h"
#include "link/Commands.h"
#include "link/Frame.h"

#include <QString>

#include <gtest/gtest.h>

namespace veltroma::soak {
namespace {

// An awake inverter in a plant at noon of day 0, behind the in-process link.
class SimLinkTest : public ::testing::Test {
protected:
    SoakClock clock{0};
    SimLink link{{clock, [](std::int64_t ms) { return 12 * 3600.0 + ms / 1000.0; }, 7, 1, 12 * 3600.0}};
    sim::Inverter& inverter = link.unit(1).inverter;
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

    link.setAsleep(1, true);
    EXPECT_EQ(querySerial(), 0);
    EXPECT_EQ(inverter.address(), 0);
    link.setAsleep(1, false);
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

// Three inverters of the simulator's defaults on one bus at noon, none with an address yet.
class SimBusTest : public ::testing::Test {
protected:
    SoakClock clock{0};
    SimLink link{{clock, [](std::int64_t ms) { return 12 * 3600.0 + ms / 1000.0; }, 7, 3, 12 * 3600.0}};
    TxBuffer tx{};
    RxBuffer rx{};

    Received exchange(std::uint8_t destination, std::uint8_t control, std::uint8_t function,
                      std::span<const std::uint8_t> data = {})
    {
        std::lock_guard lock(link.linkLock());
        SendRequest(link, tx, destination, control, function, data);
        return receiveReply(link, clock, rx);
    }

    Received querySerial()
    {
        return exchange(kBroadcastAddress, kControlRegister, kFunctionQuerySerial);
    }

    void assign(std::size_t number)
    {
        const sim::SerialNumber& serial = link.unit(number).inverter.serial();
        std::vector<std::uint8_t> data(serial.begin(), serial.end());
        data.push_back(static_cast<std::uint8_t>(number));
        (void)exchange(kBroadcastAddress, kControlRegister, kFunctionAssignAddress, data);
    }

    QString heardSerial() const
    {
        return QString::fromLatin1(reinterpret_cast<const char*>(rx.data() + kOffsetData),
                                   kSerialNumberLength);
    }
};

TEST_F(SimBusTest, UnitsAnsweringOneQueryTogetherCollideAndOneLeftAwakeIsHeardAlone)
{
    EXPECT_EQ(querySerial().outcome, ReceiveOutcome::Rejected) << "three replies merged into one";
    link.setAsleep(1, true);
    EXPECT_EQ(querySerial().outcome, ReceiveOutcome::Rejected) << "two replies merged into one";
    link.setAsleep(3, true);
    ASSERT_EQ(querySerial().outcome, ReceiveOutcome::Validated);
    EXPECT_EQ(heardSerial(), QStringLiteral("VT24000124"));
}

TEST_F(SimBusTest, EachUnitTakesTheAddressGivenToItsSerialAndAnswersOnlyThere)
{
    for (std::size_t number = 1; number <= 3; ++number)
        assign(number);
    for (std::uint8_t address = 1; address <= 3; ++address) {
        SCOPED_TRACE(address);
        EXPECT_EQ(link.unit(address).inverter.address(), address);
        ASSERT_EQ(exchange(address, kControlRead, kFunctionRealtime).outcome,
                  ReceiveOutcome::Validated);
        EXPECT_EQ(rx[kOffsetFunction], kFunctionRealtime | kReplyFlag);
        EXPECT_EQ(rx[3], address) << "the reply's source is the unit polled";
    }
    EXPECT_EQ(exchange(4, kControlRead, kFunctionRealtime).outcome, ReceiveOutcome::NothingHeard);

    // Asleep, a unit forgets its address; awake again it takes part in the query alone.
    link.setAsleep(2, true);
    EXPECT_EQ(link.unit(2).inverter.address(), 0);
    EXPECT_EQ(exchange(2, kControlRead, kFunctionRealtime).outcome, ReceiveOutcome::NothingHeard);
    link.setAsleep(2, false);
    ASSERT_EQ(querySerial().outcome, ReceiveOutcome::Validated);
    EXPECT_EQ(heardSerial(), QStringLiteral("VT24000124"));
}

} // namespace
} // namespace veltroma::soak
