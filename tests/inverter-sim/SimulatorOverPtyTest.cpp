#include "PtyClient.h"
#include "support/InverterSim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace veltroma::test {
namespace {

const std::string kSerialText = "A1B2C3D4E5";
const Bytes kSerial(kSerialText.begin(), kSerialText.end());

const Bytes kQuerySerial = frame(0x00, 0x00, 0x00);
const Bytes kClearAddresses = frame(0x00, 0x03, 0x00);
const Bytes kPollRealtime = frame(0x01, 0x02, 0x01);
const Bytes kPollSettings = frame(0x01, 0x04, 0x01);
const Bytes kReadSerial{0x4B, 0x5F, 0x72, 0x53};
const Bytes kReadDci{0x4B, 0x5F, 0x70, 0x43};

Bytes assignAddress(const Bytes& serial, std::uint8_t address)
{
    return frame(0x00, 0x01, 0x00, concat(serial, {address}));
}

Bytes writeParameter(std::uint8_t function, unsigned value)
{
    return frame(0x02, function, 0x01,
                 {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)});
}

// The settings block's word k (data offset 2k).
unsigned settingsWord(const Bytes& reply, std::size_t k)
{
    return word(reply, 9 + 2 * k);
}

class SimulatorOverPty : public testing::Test {
protected:
    // Noon, so the inverter is feeding; instant replies.
    void start(QStringList extra = {}, int address = 1, bool instant = true)
    {
        InverterSim::Options options;
        options.serial = QString::fromStdString(kSerialText);
        options.address = address;
        options.instant = instant;
        options.extraArguments = QStringList{"--start-time", "12:00"} + extra;
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        client = std::make_unique<PtyClient>(sim->portPath().toStdString());
        ASSERT_TRUE(client->isOpen());
    }

    void command(const QString& line)
    {
        ASSERT_TRUE(sim->command(line)) << sim->errorString().toStdString();
    }

    // Sends `request`, then a service read of the serial number, which is always answered:
    // the first ten bytes back must be that answer, so `request` itself got none.
    void expectNoReply(const Bytes& request, const Bytes& serial = kSerial)
    {
        client->send(request);
        EXPECT_EQ(client->exchange(kReadSerial, serial.size()), serial) << "a reply came";
        EXPECT_TRUE(client->drain(50).empty());
    }

    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<PtyClient> client;
};

TEST_F(SimulatorOverPty, RegistrationQueryAssignAndRealtimePoll)
{
    start({}, 0);
    expectNoReply(kClearAddresses);
    expectNoReply(kClearAddresses);

    const Bytes serialReply = client->exchange(kQuerySerial, 21);
    const Bytes head{0xAA, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x0A};
    const Bytes expected = concat(concat(head, kSerial), {0x04, 0x2C});
    EXPECT_EQ(serialReply, expected);

    EXPECT_EQ(client->exchange(assignAddress(kSerial, 0x01), 10), kSerial);
    EXPECT_TRUE(client->drain(50).empty());

    const Bytes r = client->exchange(kPollRealtime, 51);
    ASSERT_TRUE(isValidReply(r));
    EXPECT_EQ(r[3], 0x01);       // from address 1
    EXPECT_EQ(r[6], 0x01);       // the request's control code
    EXPECT_EQ(r[7], 0x82);
    EXPECT_EQ(r[8], 40);
    EXPECT_NEAR(word(r, 15) / 10.0, 230.0, 5.0);     // grid voltage
    EXPECT_NEAR(word(r, 17) / 100.0, 50.0, 0.05);    // frequency
    EXPECT_GT(word(r, 19), 1500u);                     // power at noon
    EXPECT_GT(word(r, 11) / 10.0, 250.0);             // PV voltage
    EXPECT_GT(word(r, 21), 0u);                        // energy today since sunrise
    EXPECT_GE(longWord(r, 23), 123456u);              // total energy, 0.1 kWh
    EXPECT_GE(longWord(r, 27), 4096u);                // total hours
    EXPECT_NEAR(word(r, 9) / 10.0, 40.0, 15.0);       // temperature
    EXPECT_EQ(r[31], 0x31);                            // English, contrast 3
    EXPECT_EQ(r[32], 1);                               // normal
    EXPECT_EQ(longWord(r, 45), 0u);

    // In the first second the polls still carry the registration control code.
    const Bytes early = client->exchange(frame(0x00, 0x02, 0x01), 51);
    ASSERT_TRUE(isValidReply(early));
    EXPECT_EQ(early[6], 0x00);
}

TEST_F(SimulatorOverPty, AnswersOnlyAtItsAddress)
{
    start({}, 0);
    // Without an address it answers 0x00 only.
    expectNoReply(kPollRealtime);
    EXPECT_TRUE(isValidReply(client->exchange(frame(0x01, 0x02, 0x00), 51)));
    // A wrong serial number assigns nothing.
    expectNoReply(assignAddress(Bytes(kSerial.rbegin(), kSerial.rend()), 0x01));
    EXPECT_EQ(client->exchange(assignAddress(kSerial, 0x01), 10), kSerial);

    // With address 1: not 0, not 2, and no longer part of the registration.
    expectNoReply(frame(0x01, 0x02, 0x00));
    expectNoReply(frame(0x01, 0x02, 0x02));
    expectNoReply(frame(0x01, 0x02, 0x01, {}, 0x01));
    expectNoReply(kQuerySerial);
    EXPECT_TRUE(isValidReply(client->exchange(kPollRealtime, 51)));

    // Cleared, it answers the query again.
    client->send(kClearAddresses);
    expectNoReply(kPollRealtime);
    EXPECT_EQ(client->exchange(kQuerySerial, 21).size(), 21u);
}

TEST_F(SimulatorOverPty, SettingsBlockAndParameterWrites)
{
    start();
    Bytes s = client->exchange(kPollSettings, 29);
    ASSERT_TRUE(isValidReply(s));
    EXPECT_EQ(s[7], 0x84);
    EXPECT_EQ(s[8], 18);
    const unsigned defaults[] = {2500, 60, 1960, 2530, 4750, 5050};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_EQ(settingsWord(s, k), defaults[k]) << "word " << k;
    EXPECT_EQ(settingsWord(s, 8), 1000u);
    // Operating minutes today: feeding since shortly after sunrise.
    EXPECT_NEAR(settingsWord(s, 7), 6 * 60 - 20, 25);

    // Vac-max 250.0 V: the acknowledgement repeats the function code and value.
    const Bytes ack = client->exchange(writeParameter(0x05, 2500), 13);
    ASSERT_TRUE(isValidReply(ack));
    EXPECT_EQ(ack[6], 0x02);
    EXPECT_EQ(ack[7], 0x85);
    EXPECT_EQ(word(ack, 9), 2500u);
    s = client->exchange(kPollSettings, 29);
    EXPECT_EQ(settingsWord(s, 3), 2500u);

    // Every write code lands in its own word.
    const std::pair<std::uint8_t, std::size_t> writes[] = {
        {0x00, 0}, {0x01, 1}, {0x04, 2}, {0x05, 3}, {0x06, 4}, {0x07, 5}, {0x3D, 8}};
    for (const auto& [function, k] : writes)
        ASSERT_TRUE(isValidReply(client->exchange(writeParameter(function, 100 + k), 13)));
    s = client->exchange(kPollSettings, 29);
    for (const auto& [function, k] : writes)
        EXPECT_EQ(settingsWord(s, k), 100 + k) << "function " << int(function);
}

TEST_F(SimulatorOverPty, ClearZeroesTheTotals)
{
    start();
    Bytes r = client->exchange(kPollRealtime, 51);
    ASSERT_GE(longWord(r, 23), 123456u);
    const unsigned today = word(r, 21);

    const Bytes ack = client->exchange(frame(0x02, 0x3A, 0x01, {0x00, 0x00}), 13);
    ASSERT_TRUE(isValidReply(ack));
    EXPECT_EQ(ack[7], 0xBA);
    r = client->exchange(kPollRealtime, 51);
    EXPECT_LT(longWord(r, 23), 5u);
    EXPECT_EQ(longWord(r, 27), 0u);
    EXPECT_GE(word(r, 21), today);
}

TEST_F(SimulatorOverPty, DisplaySettingsAtTheDisplayAddress)
{
    start({}, 0);  // the display answers whatever the bus address
    const Bytes readDisplay = frame(0x01, 0x02, 0x01, {}, 0x7F);
    Bytes r = client->exchange(readDisplay, 51);
    ASSERT_TRUE(isValidReply(r));
    EXPECT_EQ(r[7], 0x82);
    EXPECT_EQ(r[31], 0x31);

    const Bytes ack = client->exchange(frame(0x02, 0x02, 0x01, {0x02, 0x05}, 0x7F), 13);
    ASSERT_TRUE(isValidReply(ack));
    EXPECT_EQ(ack[9], 0x02);
    EXPECT_EQ(ack[10], 0x05);
    EXPECT_EQ(client->exchange(readDisplay, 51)[31], 0x52);
    EXPECT_EQ(client->exchange(frame(0x01, 0x02, 0x00), 51)[31], 0x52);
}

TEST_F(SimulatorOverPty, ServiceCommands)
{
    start();
    EXPECT_EQ(client->exchange(kReadSerial, 10), kSerial);

    const Bytes fresh{'Z', '9', 'Y', '8', 'X', '7', 'W', '6', 'V', '5'};
    EXPECT_EQ(client->exchange(concat(concat({0x4B, 0x5F, 0x63, 0x53}, fresh), {0x45}), 10), fresh);
    EXPECT_EQ(client->exchange(kReadSerial, 10), fresh);

    Bytes dci = client->exchange(kReadDci, 17);
    ASSERT_EQ(dci.size(), 17u);
    EXPECT_EQ(dci[0], 0x6A);
    EXPECT_EQ(dci[16], 0x4D);
    EXPECT_EQ(word(dci, 12), 25u);
    EXPECT_EQ(word(dci, 14), 2000u);

    command("dci 100");
    dci = client->exchange(Bytes{0x4B, 0x5F, 0x44, 0x41, 0x07, 0xDA}, 17);
    EXPECT_EQ(word(dci, 12), 100u);
    EXPECT_EQ(word(dci, 14), 2010u);
    EXPECT_EQ(word(client->exchange(kReadDci, 17), 14), 2010u);

    command("nomarkers on");
    dci = client->exchange(kReadDci, 17);
    ASSERT_EQ(dci.size(), 17u);
    EXPECT_NE(dci[0], 0x6A);
    EXPECT_NE(dci[16], 0x4D);
    EXPECT_EQ(word(dci, 12), 100u);
}

TEST_F(SimulatorOverPty, FaultModesAsTheReceiverSeesThem)
{
    start();
    command("badsum on");
    Bytes r = client->exchange(kPollRealtime, 51);
    ASSERT_EQ(r.size(), 51u);
    EXPECT_FALSE(isValidReply(r));
    EXPECT_EQ(word(r, 49), (sum(r, 49) + 1) & 0xFFFF);
    command("badsum off");

    command("garbage on");
    r = client->exchange(kPollRealtime, 51);
    EXPECT_EQ(r.size(), 51u);
    EXPECT_NE(r.at(0), 0xAA);
    command("garbage off");

    command("silent on");
    client->send(kPollRealtime);
    client->send(frame(0x02, 0x05, 0x01, {0x09, 0xC4}));  // not heard: changes nothing
    client->send(kReadSerial);
    EXPECT_TRUE(client->drain(300).empty());
    command("silent off");
    EXPECT_EQ(settingsWord(client->exchange(kPollSettings, 29), 3), 2530u);
    EXPECT_TRUE(isValidReply(client->exchange(kPollRealtime, 51)));

    command("state 2");
    command("fault 0x00000400");
    r = client->exchange(kPollRealtime, 51);
    EXPECT_EQ(r[32], 2);
    EXPECT_EQ(longWord(r, 45), 0x400u);
    command("state auto");
    EXPECT_EQ(client->exchange(kPollRealtime, 51)[32], 2);  // a fault word means a fault
    EXPECT_EQ(word(client->exchange(kPollRealtime, 51), 19), 0u);
    command("fault 0");
    // Back to waiting: reconnecting takes the start delay.
    EXPECT_EQ(client->exchange(kPollRealtime, 51)[32], 0);

    EXPECT_FALSE(sim->command("fault twelve"));
    EXPECT_TRUE(sim->errorString().startsWith("error"));
}

TEST_F(SimulatorOverPty, InformationBlockAnswersTheFirstPollAfterRegistration)
{
    start({"--send-info", "--version-text", "V3.01", "--model", "VT-5000 TEST"}, 0);
    ASSERT_EQ(client->exchange(assignAddress(kSerial, 0x01), 10), kSerial);
    const Bytes info = client->exchange(kPollRealtime, 39);
    ASSERT_TRUE(isValidReply(info));
    EXPECT_EQ(info[7], 0x83);
    EXPECT_EQ(std::string(info.begin() + 16, info.begin() + 21), "V3.01");
    EXPECT_EQ(std::string(info.begin() + 21, info.begin() + 37), "VT-5000 TEST    ");
    EXPECT_EQ(client->exchange(kPollRealtime, 51)[7], 0x82);

    command("info");
    EXPECT_EQ(client->exchange(kPollSettings, 39)[7], 0x83);
}

TEST_F(SimulatorOverPty, SerialWithAZeroByte)
{
    InverterSim::Options options;
    options.serial = QStringLiteral("A1B2\\x00C3D4E");
    InverterSim zero(options);
    ASSERT_TRUE(zero.isRunning()) << zero.errorString().toStdString();
    PtyClient c(zero.portPath().toStdString());
    const Bytes reply = c.exchange(kQuerySerial, 21);
    ASSERT_TRUE(isValidReply(reply));
    EXPECT_EQ(reply[13], 0x00);
    EXPECT_EQ(reply[14], 'C');
}

TEST(InverterSimSupport, ReportsASimulatorThatWouldNotStart)
{
    InverterSim::Options options;
    options.extraArguments = QStringList{"--state", "999"};
    InverterSim refused(options);
    EXPECT_FALSE(refused.isRunning());
    EXPECT_TRUE(refused.portPath().isEmpty());
    EXPECT_FALSE(refused.errorString().isEmpty());
    EXPECT_FALSE(refused.command("silent on"));
}

TEST_F(SimulatorOverPty, LogShowsEveryRequestAndDropsBrokenOnes)
{
    start();
    Bytes broken = kPollRealtime;
    broken.back() ^= 0x01;
    expectNoReply(broken);
    ASSERT_TRUE(isValidReply(client->exchange(kPollSettings, 29)));

    const QList<InverterSim::Request> requests = sim->requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].kind, "service-read-serial");
    EXPECT_EQ(requests[1].kind, "poll-settings");
    EXPECT_EQ(requests[1].bytes, QByteArray::fromHex("435A0000000101040000A3"));
    EXPECT_LE(requests[0].seconds, requests[1].seconds);
    EXPECT_EQ(sim->logLines().filter(" bad checksum 43 5A 00 00 00 01 01 02 00 00 A0").size(), 1);

    // One inverter: its replies name no unit, and nothing collides.
    const QList<InverterSim::Reply> replies = sim->replies();
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(replies[1].kind, "settings");
    EXPECT_EQ(replies[1].unit, 1);
    EXPECT_EQ(sim->logLines().filter(" rep settings AA AA 00 01 00 00 01 84 12 ").size(), 1);
    EXPECT_TRUE(sim->collisions().isEmpty());
}

TEST_F(SimulatorOverPty, PortSurvivesReopeningAndTheLinkFollowsTheSimulator)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyVeltroma");
    start({"--link", link});
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim->portPath());

    for (int round = 0; round < 3; ++round) {
        PtyClient again(link.toStdString());
        ASSERT_TRUE(again.isOpen());
        EXPECT_TRUE(isValidReply(again.exchange(kPollRealtime, 51))) << "round " << round;
    }
    client.reset();
    EXPECT_TRUE(sim->stop());
    EXPECT_FALSE(QFileInfo::exists(link) || QFileInfo(link).isSymLink());
}

TEST_F(SimulatorOverPty, ControlFileTakesCommands)
{
    QTemporaryDir dir;
    const QString control = dir.filePath("control");
    start({"--control", control});
    QFile fifo(control);
    ASSERT_TRUE(fifo.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    fifo.write("state 3\n");
    for (int i = 0; i < 200 && sim->logLines().filter(" ctl state 3 -> ok").isEmpty(); ++i)
        QThread::msleep(10);
    EXPECT_EQ(client->exchange(kPollRealtime, 51).at(32), 3);
    fifo.close();
    EXPECT_TRUE(sim->stop());
    EXPECT_FALSE(QFileInfo::exists(control));
}

TEST_F(SimulatorOverPty, PacedRepliesTakeTheTimeOfTheLine)
{
    using Clock = std::chrono::steady_clock;
    start({}, 1, false);
    const auto sent = Clock::now();
    ASSERT_EQ(client->exchange(kPollRealtime, 51).size(), 51u);
    // 51 bytes of ten bits at 9600 baud, after the device's pause.
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(50));

    command("slow 300");
    const auto slowSent = Clock::now();
    client->send(kReadSerial);
    ASSERT_EQ(client->read(1, 3000).size(), 1u);
    EXPECT_GE(Clock::now() - slowSent, std::chrono::milliseconds(300));
}

TEST_F(SimulatorOverPty, AtNightItHearsNothingAndWakesUnregistered)
{
    start({}, 1);
    command("night on");
    // Asleep, not even the service commands are answered.
    for (const Bytes& request : {kPollRealtime, kQuerySerial, kReadSerial}) {
        client->send(request);
        EXPECT_TRUE(client->drain(300).empty());
    }
    EXPECT_FALSE(sim->logLines().filter(" note asleep not heard").isEmpty());

    command("night off");
    expectNoReply(kPollRealtime);
    const Bytes serialReply = client->exchange(kQuerySerial, 21);
    ASSERT_TRUE(isValidReply(serialReply));
    EXPECT_EQ(Bytes(serialReply.begin() + 9, serialReply.begin() + 19), kSerial);
    EXPECT_EQ(client->exchange(assignAddress(kSerial, 1), 10), kSerial);
    EXPECT_TRUE(isValidReply(client->exchange(kPollRealtime, 51)));
}

TEST_F(SimulatorOverPty, NightFollowsTheSimulatedSun)
{
    // Half past six in the evening, a simulated hour per real second: the sun sets at seven.
    start({"--night", "--start-time", "18:30", "--time-scale", "3600"}, 1);
    QThread::msleep(1500);
    client->send(kReadSerial);
    EXPECT_TRUE(client->drain(300).empty());
    EXPECT_FALSE(sim->logLines().filter(" note asleep address forgotten").isEmpty());
}

TEST_F(SimulatorOverPty, EchoModeSendsTheRequestBackBeforeTheReply)
{
    start({"--echo"}, 1, false);
    const Bytes back = client->exchange(kPollRealtime, kPollRealtime.size() + 51);
    ASSERT_EQ(back.size(), kPollRealtime.size() + 51);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 11), kPollRealtime);
    EXPECT_TRUE(isValidReply(Bytes(back.begin() + 11, back.end())));

    command("echo off");
    EXPECT_TRUE(isValidReply(client->exchange(kPollRealtime, 51)));
}

TEST_F(SimulatorOverPty, ReplugHangsUpAndComesBackAtTheSameLink)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyVeltroma");
    start({"--link", link});

    command("replug 1");
    EXPECT_TRUE(client->hungUp(2000));
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the device should be gone while unplugged";
    client.reset();

    for (int i = 0; i < 300 && !QFileInfo(link).isSymLink(); ++i)
        QThread::msleep(10);
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(sim->logLines().filter(" note plugged-in " + QFileInfo(link).symLinkTarget())
                     .isEmpty());
    PtyClient again(link.toStdString());
    ASSERT_TRUE(again.isOpen());
    EXPECT_TRUE(isValidReply(again.exchange(kPollRealtime, 51)));
}

} // namespace
} // namespace veltroma::test
