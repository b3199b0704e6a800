#include "PtyClient.h"
#include "support/InverterSim.h"

#include <gtest/gtest.h>

#include <memory>

namespace veltroma::test {
namespace {

const QString kSerials[] = {"A1B2C3D4E5", "B2C3D4E5F6", "C3D4E5F6G7"};
const Bytes kQuerySerial = frame(0x00, 0x00, 0x00);
constexpr std::size_t kSerialReplyLength = 21;
constexpr std::size_t kRealtimeLength = 51;

Bytes bytesOf(const QString& text)
{
    const QByteArray latin = text.toLatin1();
    return Bytes(latin.begin(), latin.end());
}

Bytes assignAddress(const QString& serial, std::uint8_t address)
{
    return frame(0x00, 0x01, 0x00, concat(bytesOf(serial), {address}));
}

Bytes pollRealtime(std::uint8_t address)
{
    return frame(0x01, 0x02, address);
}

// The serial number a valid query reply carries.
QString serialIn(const Bytes& reply)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(reply.data()) + 9, 10);
}

unsigned powerIn(const Bytes& realtime)
{
    return word(realtime, 19);
}

QByteArray asBytes(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Several inverters on one simulated bus at noon, so every plant is feeding. Unit 1 is a
// 1 kW plant, unit 2 a 6 kW one, unit 3 keeps its default of 5 kW.
class BusOverPty : public testing::Test {
protected:
    void start(int units, bool addressed, bool instant = true, const QString& unit2Extra = {})
    {
        InverterSim::Options options;
        options.serial = kSerials[0];
        options.address = addressed ? 1 : 0;
        options.instant = instant;
        for (int k = 2; k <= units; ++k) {
            QString settings = QStringLiteral("serial=%1").arg(kSerials[k - 1]);
            if (addressed)
                settings += QStringLiteral(",address=%1").arg(k);
            if (k == 2)
                settings += QStringLiteral(",rated-power=6000") + unit2Extra;
            options.otherUnits << settings;
        }
        options.extraArguments = QStringList{"--start-time", "12:00", "--rated-power", "1000"};
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        client = std::make_unique<PtyClient>(sim->portPath().toStdString());
        ASSERT_TRUE(client->isOpen());
    }

    void command(const QString& line)
    {
        ASSERT_TRUE(sim->command(line)) << sim->errorString().toStdString();
    }

    // No unit answers `request` (replies are instant, so 200 ms is ample).
    void expectSilence(const Bytes& request)
    {
        client->send(request);
        EXPECT_TRUE(client->drain(200).empty()) << "a reply came";
    }

    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<PtyClient> client;
};

TEST_F(BusOverPty, TwoUnaddressedUnitsCollideOnTheSerialQuery)
{
    start(2, false);
    const Bytes heard = client->exchange(kQuerySerial, kSerialReplyLength);
    ASSERT_EQ(heard.size(), kSerialReplyLength);
    EXPECT_FALSE(isValidReply(heard));
    EXPECT_NE(heard[0], 0xAA) << "replies that start together lose their header";
    EXPECT_TRUE(client->drain(100).empty());

    const QList<InverterSim::Collision> collisions = sim->collisions();
    ASSERT_EQ(collisions.size(), 1);
    EXPECT_EQ(collisions[0].units, (QList<int>{1, 2}));
    EXPECT_EQ(collisions[0].bytes, asBytes(heard));
    // Each unit's own reply is in the log, named by its unit and whole.
    const QList<InverterSim::Reply> replies = sim->replies();
    ASSERT_EQ(replies.size(), 2);
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const Bytes own(replies[k].bytes.begin(), replies[k].bytes.end());
        EXPECT_EQ(replies[k].unit, k + 1);
        EXPECT_EQ(replies[k].kind, "serial");
        EXPECT_TRUE(isValidReply(own));
        EXPECT_EQ(serialIn(own), kSerials[k]);
    }
}

TEST_F(BusOverPty, PacedRepliesThatOverlapCollideAndThoseThatDoNotGoOutWhole)
{
    // Unit 2 turns round 7 ms later: its reply starts some seven bytes into unit 1's.
    start(2, false, false, QStringLiteral(",reply-delay=12"));
    Bytes heard = client->exchange(kQuerySerial, kSerialReplyLength);
    heard = concat(heard, client->drain(200));
    ASSERT_GT(heard.size(), kSerialReplyLength);
    EXPECT_LT(heard.size(), 2 * kSerialReplyLength);
    EXPECT_EQ(Bytes(heard.begin(), heard.begin() + 2), (Bytes{0xAA, 0xAA}))
        << "unit 1 alone on the line";
    EXPECT_FALSE(isValidReply(Bytes(heard.begin(), heard.begin() + kSerialReplyLength)));
    ASSERT_EQ(sim->collisions().size(), 1);
    EXPECT_EQ(sim->collisions()[0].bytes, asBytes(heard));

    // 100 ms later, unit 2 comes after unit 1 has finished: two clean replies.
    command("@2 slow 100");
    heard = client->exchange(kQuerySerial, 2 * kSerialReplyLength);
    ASSERT_EQ(heard.size(), 2 * kSerialReplyLength);
    const Bytes first(heard.begin(), heard.begin() + kSerialReplyLength);
    const Bytes second(heard.begin() + kSerialReplyLength, heard.end());
    EXPECT_TRUE(isValidReply(first));
    EXPECT_TRUE(isValidReply(second));
    EXPECT_EQ(serialIn(first), kSerials[0]);
    EXPECT_EQ(serialIn(second), kSerials[1]);
    EXPECT_EQ(sim->collisions().size(), 1);
}

TEST_F(BusOverPty, AnAddressedUnitIgnoresTheQueryAndTheOtherAnswersAlone)
{
    start(2, false);
    command("address 1");
    const Bytes heard = client->exchange(kQuerySerial, kSerialReplyLength);
    ASSERT_TRUE(isValidReply(heard));
    EXPECT_EQ(serialIn(heard), kSerials[1]);
    EXPECT_TRUE(client->drain(100).empty());
    EXPECT_TRUE(sim->collisions().isEmpty());

    const Bytes polled = client->exchange(pollRealtime(1), kRealtimeLength);
    ASSERT_TRUE(isValidReply(polled));
    EXPECT_EQ(polled[3], 1);
}

TEST_F(BusOverPty, OnlyTheUnitWithTheSerialTakesTheAssignment)
{
    start(3, false);
    EXPECT_EQ(client->exchange(assignAddress(kSerials[1], 2), 10), bytesOf(kSerials[1]));
    EXPECT_TRUE(client->drain(100).empty());

    // Unit 2's own values: its 6 kW plant at noon.
    const Bytes fromTwo = client->exchange(pollRealtime(2), kRealtimeLength);
    ASSERT_TRUE(isValidReply(fromTwo));
    EXPECT_EQ(fromTwo[3], 2);
    EXPECT_GT(powerIn(fromTwo), 3000u);
    EXPECT_TRUE(client->drain(100).empty()) << "answered by unit 2 alone";

    // Units 1 and 3 kept no address: they still both answer the query, and nobody is at 1.
    client->send(kQuerySerial);
    EXPECT_FALSE(isValidReply(client->read(kSerialReplyLength)));
    ASSERT_EQ(sim->collisions().size(), 1);
    EXPECT_EQ(sim->collisions()[0].units, (QList<int>{1, 3}));
    expectSilence(pollRealtime(1));

    EXPECT_EQ(client->exchange(assignAddress(kSerials[0], 1), 10), bytesOf(kSerials[0]));
    const Bytes fromOne = client->exchange(pollRealtime(1), kRealtimeLength);
    ASSERT_TRUE(isValidReply(fromOne));
    EXPECT_EQ(fromOne[3], 1);
    EXPECT_LT(powerIn(fromOne), 1000u);
}

TEST_F(BusOverPty, UnitCommandsReachOnlyTheUnitTheyName)
{
    start(3, true);
    command("@2 silent on");
    for (std::uint8_t address : {1, 3})
        EXPECT_TRUE(isValidReply(client->exchange(pollRealtime(address), kRealtimeLength)))
            << int(address);
    expectSilence(pollRealtime(2));
    EXPECT_FALSE(sim->logLines().filter(" note silent @2 not heard").isEmpty());
    command("@2 silent off");

    command("@3 fault 0x400");
    const Bytes faulted = client->exchange(pollRealtime(3), kRealtimeLength);
    EXPECT_EQ(faulted.at(32), 2);
    EXPECT_EQ(longWord(faulted, 45), 0x400u);
    EXPECT_EQ(client->exchange(pollRealtime(1), kRealtimeLength).at(32), 1);

    // Without @k a unit's command is unit 1's; a line command takes no unit.
    command("silent on");
    expectSilence(pollRealtime(1));
    EXPECT_TRUE(isValidReply(client->exchange(pollRealtime(2), kRealtimeLength)));
    command("silent off");
    EXPECT_FALSE(sim->command("@2 echo on"));
    EXPECT_FALSE(sim->command("@4 silent on"));

    // Unit 2 sleeps and wakes without its address; the others keep theirs.
    command("@2 night on");
    command("@2 night off");
    expectSilence(pollRealtime(2));
    const Bytes query = client->exchange(kQuerySerial, kSerialReplyLength);
    ASSERT_TRUE(isValidReply(query));
    EXPECT_EQ(serialIn(query), kSerials[1]);
    EXPECT_TRUE(isValidReply(client->exchange(pollRealtime(3), kRealtimeLength)));
}

} // namespace
} // namespace veltroma::test
