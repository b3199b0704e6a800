#include "channel/Channel.h"
#include "channel/PortList.h"
#include "link/Frame.h"

#include "PseudoTerminal.h"
#include "support/ScriptedPrompt.h"
#include "support/VirtualClock.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <thread>
#include <vector>

namespace veltroma {
namespace {

using namespace std::chrono_literals;
using test::PseudoTerminal;
using test::ScriptedPrompt;

int waitForByte(Channel& channel, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int byte = channel.ReadChar();
    while (byte < 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
        byte = channel.ReadChar();
    }
    return byte;
}

TEST(Channel, StartsWithTheDefaultDescriptionAndClosed)
{
    test::VirtualClock clock;
    ScriptedPrompt prompt;
    Channel channel(clock, prompt);
    EXPECT_EQ(channel.COMM_CFG, QStringLiteral("COM1,9600,8,N,1"));
    EXPECT_FALSE(channel.ChannelOK());
    EXPECT_EQ(channel.ReadChar(), -1);
    // A send on a closed port does nothing, not even the pause.
    const auto before = clock.nowMs();
    const std::uint8_t request[] = {0x43, 0x5A};
    channel.Send_Data(request);
    EXPECT_EQ(clock.nowMs(), before);
}

TEST(Channel, PortInitFailureTellsTheUserOnce)
{
    test::VirtualClock clock;
    ScriptedPrompt prompt;
    Channel channel(clock, prompt);
    // A device that is not there gets the reason on a line of its own; a description that
    // names no device has none to give.
    const struct {
        const char* description;
        QString reason;
    } cases[] = {
        {"/dev/veltroma-no-such-port,9600,8,N,1",
         QStringLiteral("\n/dev/veltroma-no-such-port does not exist: is the adapter plugged in?")},
        {"COM0,9600,8,N,1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        prompt.clear();
        channel.COMM_CFG = QString::fromLatin1(c.description);
        channel.PortInit(0);
        EXPECT_FALSE(channel.ChannelOK());
        const auto shown = prompt.shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown.front().text,
                  QStringLiteral("Initialize %1 fault,Need Check PC COMM Set!").arg(c.description)
                      + c.reason);
        EXPECT_EQ(shown.front().buttons, PromptButtons::Ok);
    }
}

TEST(Channel, PortInitClosesAFailedReopenAndKeepsTheRing)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    ScriptedPrompt prompt;
    Channel channel(steadyClock(), prompt);
    channel.COMM_CFG = pty.description();
    channel.PortInit(0);
    ASSERT_TRUE(channel.ChannelOK());
    EXPECT_TRUE(prompt.shown().empty());

    const std::uint8_t reply[] = {0x01, 0x02, 0x03, 0x04};
    pty.send(reply);
    ASSERT_EQ(waitForByte(channel, 1000ms), 0x01);

    // Reopening keeps what the ring holds.
    channel.PortInit(0);
    EXPECT_TRUE(channel.ChannelOK());
    EXPECT_EQ(channel.ReadChar(), 0x02);

    // So does a reopen that fails: the port is closed, the bytes stay.
    channel.COMM_CFG = QStringLiteral("/dev/veltroma-no-such-port,9600,8,N,1");
    channel.PortInit(0);
    EXPECT_FALSE(channel.ChannelOK());
    EXPECT_TRUE(pty.slaveClosed());
    EXPECT_EQ(channel.ReadChar(), 0x03);
    EXPECT_EQ(channel.ReadChar(), 0x04);
    EXPECT_EQ(channel.ReadChar(), -1);
}

// The realtime block an inverter at address 1 answers with: 40 data bytes.
std::vector<std::uint8_t> realtimeReply()
{
    std::vector<std::uint8_t> frame = {0xAA, 0xAA, 0x00, 0x01, 0x00, 0x00, 0x01, 0x82, 40};
    for (std::uint8_t i = 0; i < 40; ++i)
        frame.push_back(static_cast<std::uint8_t>(0x30 + i * 3));
    const unsigned sum = GetCheckSum(frame);
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

TEST(Channel, RealtimePollAndReplyOverAPseudoTerminal)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    ScriptedPrompt prompt;
    Channel channel(steadyClock(), prompt);
    channel.COMM_CFG = pty.description();
    channel.PortInit(0);
    ASSERT_TRUE(channel.ChannelOK());

    const std::vector<std::uint8_t> poll = {0x43, 0x5A, 0x00, 0x00, 0x00, 0x01,
                                            0x01, 0x02, 0x00, 0x00, 0xA1};
    const auto reply = realtimeReply();
    std::vector<std::uint8_t> heard;
    std::thread inverter([&] {
        heard = pty.receive(poll.size(), 2000);
        if (heard == poll) {
            std::this_thread::sleep_for(20ms);
            pty.send(reply);
        }
    });

    // A byte left from an earlier exchange must not spoil this one.
    const std::uint8_t leftOver[] = {0xAA};
    pty.send(leftOver);
    ASSERT_EQ(waitForByte(channel, 1000ms), 0xAA);
    pty.send(leftOver);
    std::this_thread::sleep_for(50ms);

    RxBuffer rx{};
    int received = 0;
    {
        std::lock_guard exchange(channel.linkLock());
        channel.Send_Data(poll);
        received = RecvDataBack(channel, steadyClock(), rx);
    }
    inverter.join();
    EXPECT_EQ(heard, poll);
    ASSERT_EQ(received, 51);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), rx.begin()));
}

TEST(PortList, ComNamesFirstThenSystemPaths)
{
    const auto names = availablePortNames();
    ASSERT_GE(names.size(), 9);
    for (int port = 1; port <= 9; ++port)
        EXPECT_EQ(names.at(port - 1), QStringLiteral("COM%1").arg(port));
    for (qsizetype i = 9; i < names.size(); ++i)
        EXPECT_TRUE(names.at(i).startsWith(u'/')) << names.at(i).toStdString();
}

TEST(PortList, StableNamesComeLastAndSayWhichDeviceTheyNameNow)
{
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    QTemporaryDir byId;
    const QString name = byId.filePath(QStringLiteral("usb-Veltroma_Test_Adapter_A10K-if00-port0"));
    ASSERT_TRUE(QFile::link(pty.slavePath(), name));
    ASSERT_TRUE(QFile::link(byId.filePath(QStringLiteral("gone")), byId.filePath(QStringLiteral("usb-dangling"))));

    const auto ports = availablePorts(byId.path());
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.back().path, name);
    EXPECT_TRUE(ports.back().description.startsWith(QStringLiteral("now ") + pty.slavePath()))
        << ports.back().description.toStdString();
    EXPECT_EQ(std::count_if(ports.begin(), ports.end(),
                            [](const PortEntry& p) { return p.path.contains(QStringLiteral("dangling")); }),
              0);
    EXPECT_TRUE(ports.front().description.isEmpty());
}

} // namespace
} // namespace veltroma
