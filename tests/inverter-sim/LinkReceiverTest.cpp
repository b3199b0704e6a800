#include "PtyClient.h"
#include "support/InverterSim.h"

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/Commands.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

#include <memory>

namespace veltroma::test {
namespace {

// The program's receiver reading straight from the port, without the channel's ring.
class PtyLink final : public ByteLink {
public:
    explicit PtyLink(PtyClient& client) : client_(client) {}
    void Send_Data(std::span<const std::uint8_t> data) override
    {
        client_.send(Bytes(data.begin(), data.end()));
    }
    int ReadChar() override { return client_.readChar(); }
    [[nodiscard]] bool ChannelOK() const override { return client_.isOpen(); }
    std::mutex& linkLock() override { return lock_; }

private:
    PtyClient& client_;
    std::mutex lock_;
};

class LinkReceiver : public testing::Test {
protected:
    void start(bool instant, QStringList otherUnits = {})
    {
        InverterSim::Options options;
        options.instant = instant;
        options.otherUnits = std::move(otherUnits);
        options.extraArguments = QStringList{"--start-time", "12:00"};
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        client = std::make_unique<PtyClient>(sim->portPath().toStdString());
        link = std::make_unique<PtyLink>(*client);
    }

    int poll(std::uint8_t destination, std::uint8_t function, int timeoutMs = kFirstByteTimeoutMs)
    {
        SendRequest(*link, tx, destination, kControlRead, function);
        return RecvDataBack(*link, steadyClock(), rx, timeoutMs);
    }

    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<PtyClient> client;
    std::unique_ptr<PtyLink> link;
    TxBuffer tx{};
    RxBuffer rx{};
};

TEST_F(LinkReceiver, RegistersAndPollsAPacedInverter)
{
    start(false);
    SendRequest(*link, tx, kBroadcastAddress, kControlRegister, kFunctionQuerySerial);
    ASSERT_EQ(RecvDataBack(*link, steadyClock(), rx), 21);
    EXPECT_EQ(std::string(rx.begin() + 9, rx.begin() + 19), "A1B2C3D4E5");

    std::array<std::uint8_t, 11> assign{};
    std::copy(rx.begin() + 9, rx.begin() + 19, assign.begin());
    assign[10] = kInverterAddress;
    SendRequest(*link, tx, kBroadcastAddress, kControlRegister, kFunctionAssignAddress, assign);
    EXPECT_EQ(SerialRecvDataBack(*link, steadyClock(), rx), 10);

    // Paced at about a millisecond a byte, well inside the receiver's silence limit.
    EXPECT_EQ(poll(kInverterAddress, kFunctionRealtime), 51);
    EXPECT_EQ(rx[7], kFunctionRealtime | kReplyFlag);
    EXPECT_EQ(poll(kInverterAddress, kFunctionSettings), 29);
    EXPECT_EQ(rx[7], kFunctionSettings | kReplyFlag);
}

TEST_F(LinkReceiver, FaultModesAreRejected)
{
    start(true);
    ASSERT_TRUE(sim->command("address 1"));
    ASSERT_EQ(poll(kInverterAddress, kFunctionRealtime), 51);
    for (const char* fault : {"badsum", "garbage", "silent"}) {
        ASSERT_TRUE(sim->command(QStringLiteral("%1 on").arg(fault)));
        EXPECT_EQ(poll(kInverterAddress, kFunctionRealtime, 300), 0) << fault;
        client->drain(100);
        ASSERT_TRUE(sim->command(QStringLiteral("%1 off").arg(fault)));
    }
    EXPECT_EQ(poll(kInverterAddress, kFunctionRealtime), 51);
}

TEST_F(LinkReceiver, ThreeUnitsAnsweringTheQueryAtOnceAreHeardButRejected)
{
    start(false, {QString(), QString()});
    SendRequest(*link, tx, kBroadcastAddress, kControlRegister, kFunctionQuerySerial);
    EXPECT_EQ(RecvDataBack(*link, steadyClock(), rx), 0);
    EXPECT_NE(rx[0], 0) << "bytes were heard";
    // The receiver gave up at the first byte; the collision is logged as its last goes out.
    client->drain(200);
    ASSERT_EQ(sim->collisions().size(), 1);
    EXPECT_EQ(sim->collisions()[0].units, (QList<int>{1, 2, 3}));
}

} // namespace
} // namespace veltroma::test
