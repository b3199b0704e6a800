#include "channel/ThreadCom.h"

#include "PseudoTerminal.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

namespace veltroma {
namespace {

using namespace std::chrono_literals;
using test::PseudoTerminal;
using Steady = std::chrono::steady_clock;

const std::vector<std::uint8_t> kRequest = {0x43, 0x5A, 0x00, 0x00, 0x00, 0x01,
                                            0x01, 0x02, 0x00, 0x00, 0xA1};

std::vector<std::uint8_t> sequence(std::size_t count, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

long long msSince(Steady::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
}

// The first byte that reaches the ring within `timeoutMs`, or -1.
int waitForByte(thread_com& port, int timeoutMs)
{
    const auto start = Steady::now();
    int byte = port.COM_ReadChar();
    while (byte < 0 && msSince(start) < timeoutMs) {
        std::this_thread::sleep_for(1ms);
        byte = port.COM_ReadChar();
    }
    return byte;
}

// Everything in the ring right now.
std::vector<std::uint8_t> drain(thread_com& port)
{
    std::vector<std::uint8_t> bytes;
    for (int byte = port.COM_ReadChar(); byte >= 0; byte = port.COM_ReadChar())
        bytes.push_back(static_cast<std::uint8_t>(byte));
    return bytes;
}

class ThreadComOnPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available"; }

    PseudoTerminal pty;
    thread_com port{steadyClock()};
};

TEST_F(ThreadComOnPty, OpensADevicePathWithItsLineSettings)
{
    // A pseudo-terminal always keeps eight data bits and drops the parity-enable flag; the
    // speed, the odd and stick parity flags and the stop bits show what the port set.
    struct Case {
        const char* line;
        LineSettings settings;
        speed_t speed;
        tcflag_t parityFlags;  // of PARODD and CMSPAR
        bool twoStopBits;
    };
    const Case cases[] = {
        {"9600,8,N,1", {9600, 8, Parity::None, StopBits::One}, B9600, 0, false},
        {"19200,7,E,2", {19200, 7, Parity::Even, StopBits::Two}, B19200, 0, true},
        {"4800,8,o,1", {4800, 8, Parity::Odd, StopBits::One}, B4800, PARODD, false},
        {"9600,8,M,1", {9600, 8, Parity::Mark, StopBits::One}, B9600, PARODD | CMSPAR, false},
        {"9600,8,x,3", {9600, 8, Parity::Space, StopBits::One}, B9600, CMSPAR, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(port.Open(pty.description(QString::fromLatin1(c.line))));
        EXPECT_TRUE(port.is_open());
        EXPECT_EQ(port.port(), 0);
        EXPECT_EQ(port.device(), pty.slavePath());
        EXPECT_EQ(port.lineSettings(), c.settings);
        const termios t = pty.settings();
        EXPECT_EQ(cfgetospeed(&t), c.speed);
        EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityFlags);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    }
}

TEST_F(ThreadComOnPty, RefusedDescriptionsLeaveAnOpenPortAlone)
{
    ASSERT_TRUE(port.Open(pty.description()));
    for (const char* text : {"COM0,9600,8,N,1", "COMx,9600,8,N,1", "COM10", "nonsense"})
        EXPECT_FALSE(port.Open(QString::fromLatin1(text))) << text;
    EXPECT_FALSE(port.open(0));
    EXPECT_FALSE(port.open(10));
    EXPECT_TRUE(port.is_open());
    EXPECT_FALSE(pty.slaveClosed());
    EXPECT_EQ(port.device(), pty.slavePath());
}

TEST_F(ThreadComOnPty, MissingDeviceIsNotOpened)
{
    EXPECT_FALSE(port.Open(QStringLiteral("/dev/veltroma-no-such-port,9600,8,N,1")));
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(port.write(kRequest), 0);
}

TEST_F(ThreadComOnPty, ReopeningClosesTheOpenPortFirst)
{
    ASSERT_TRUE(port.Open(pty.description()));
    // The same device again: only possible when the first open was closed.
    ASSERT_TRUE(port.Open(pty.description()));

    PseudoTerminal other;
    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(port.Open(other.description()));
    EXPECT_TRUE(pty.slaveClosed());
    EXPECT_TRUE(port.is_open());

    const std::uint8_t fromOther[] = {0x5A};
    other.send(fromOther);
    EXPECT_EQ(waitForByte(port, 1000), 0x5A);
}

TEST_F(ThreadComOnPty, RepliesReachTheRingAsOneBlockAfterThePause)
{
    ASSERT_TRUE(port.Open(pty.description()));
    for (const std::size_t length : {51u, 180u}) {
        SCOPED_TRACE(length);
        const auto reply = sequence(length, 0xAA);
        // The bytes trickle in, a few every millisecond, well within the pause.
        const auto start = Steady::now();
        std::thread device([&] {
            constexpr std::size_t kChunk = 3;
            for (std::size_t at = 0; at < reply.size(); at += kChunk) {
                pty.send(std::span(reply).subspan(at, std::min(kChunk, reply.size() - at)));
                std::this_thread::sleep_for(1ms);
            }
        });
        const int first = waitForByte(port, 1500);
        const auto firstAfter = msSince(start);
        auto rest = drain(port);
        device.join();

        EXPECT_EQ(first, reply.front());
        EXPECT_GE(firstAfter, kPortPauseMs);
        EXPECT_LT(firstAfter, kPortPauseMs + 200);
        rest.insert(rest.begin(), static_cast<std::uint8_t>(first));
        EXPECT_EQ(rest, reply);
    }
}

TEST_F(ThreadComOnPty, WriteEmptiesTheRingBeforeTheRequestGoesOut)
{
    ASSERT_TRUE(port.Open(pty.description()));
    const std::uint8_t leftOver[] = {0x01, 0x02, 0x03};
    pty.send(leftOver);
    ASSERT_EQ(waitForByte(port, 1000), 0x01);

    EXPECT_EQ(port.write(kRequest), static_cast<int>(kRequest.size()));
    EXPECT_EQ(port.COM_ReadChar(), -1);
    EXPECT_EQ(pty.receive(kRequest.size(), 1000), kRequest);

    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(port.COM_ReadChar(), -1);
    const std::uint8_t reply[] = {0xAA};
    pty.send(reply);
    EXPECT_EQ(waitForByte(port, 1000), 0xAA);
}

TEST_F(ThreadComOnPty, BytesThatCameBeforeTheRequestNeverReachTheRing)
{
    ASSERT_TRUE(port.Open(pty.description()));
    // Stale bytes arrive while the request waits out its pause; they would reach the ring
    // after it was emptied if the send did not drop them too.
    const auto start = Steady::now();
    std::thread sender([&] { port.write(kRequest); });
    std::this_thread::sleep_for(150ms);
    const auto stale = sequence(20, 0x10);
    pty.send(stale);
    sender.join();
    EXPECT_GE(msSince(start), kPortPauseMs);
    EXPECT_EQ(pty.receive(kRequest.size(), 1000), kRequest);

    const auto reply = sequence(51, 0xAA);
    pty.send(reply);
    EXPECT_EQ(waitForByte(port, 1000), 0xAA);
    std::this_thread::sleep_for(400ms);
    const auto rest = drain(port);
    EXPECT_EQ(rest, std::vector<std::uint8_t>(reply.begin() + 1, reply.end()));
}

TEST_F(ThreadComOnPty, AFloodBeyondTheInputQueueIsDroppedNotTrickledOut)
{
    ASSERT_TRUE(port.Open(pty.description()));
    // More than the input queue holds arrives at once. The batches take what the ring can
    // hold; once the queue overruns, the rest is dropped instead of feeding stale bytes to
    // the ring for seconds.
    ASSERT_TRUE(pty.send(sequence(12000)));
    std::this_thread::sleep_for(1500ms);
    EXPECT_LE(drain(port).size(), RxRing::kCapacity);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * kPortPauseMs));
    EXPECT_EQ(port.COM_ReadChar(), -1);

    const std::uint8_t next[] = {0x42};
    pty.send(next);
    EXPECT_EQ(waitForByte(port, 1000), 0x42);
}

TEST_F(ThreadComOnPty, WritePausesThroughTheClock)
{
    test::VirtualClock clock;
    thread_com virtualPort(clock);
    ASSERT_TRUE(virtualPort.Open(pty.description()));

    const auto before = clock.nowMs();
    const auto start = Steady::now();
    EXPECT_EQ(virtualPort.write(kRequest), static_cast<int>(kRequest.size()));
    EXPECT_EQ(clock.nowMs() - before, kPortPauseMs);
    EXPECT_LT(msSince(start), kPortPauseMs);
    EXPECT_EQ(pty.receive(kRequest.size(), 1000), kRequest);

    virtualPort.close();
    const auto closedAt = clock.nowMs();
    EXPECT_EQ(virtualPort.write(kRequest), 0);
    EXPECT_EQ(clock.nowMs(), closedAt);
}

TEST_F(ThreadComOnPty, CloseOrDestructionWhileBytesArriveEndsPromptly)
{
    std::atomic<bool> flooding{true};
    std::thread device([&] {
        const auto chunk = sequence(16);
        while (flooding) {
            pty.send(chunk);
            std::this_thread::sleep_for(1ms);
        }
    });
    // Closing at moments in and out of the pause of a batch.
    for (const auto openFor : {0ms, 120ms, 300ms, 450ms}) {
        ASSERT_TRUE(port.Open(pty.description()));
        std::this_thread::sleep_for(openFor);
        const auto start = Steady::now();
        port.close();
        EXPECT_LT(msSince(start), 100) << "open for " << openFor.count() << " ms";
        EXPECT_FALSE(port.is_open());
    }
    auto doomed = std::make_unique<thread_com>(steadyClock());
    ASSERT_TRUE(doomed->Open(pty.description()));
    std::this_thread::sleep_for(150ms);
    const auto start = Steady::now();
    doomed.reset();
    EXPECT_LT(msSince(start), 100);

    flooding = false;
    device.join();
}

TEST_F(ThreadComOnPty, DeviceThatGoesAwayLeavesThePortUsable)
{
    ASSERT_TRUE(port.Open(pty.description()));
    pty.hangUp();
    std::this_thread::sleep_for(100ms);
    const auto start = Steady::now();
    port.write(kRequest);
    EXPECT_LT(msSince(start), kPortPauseMs + 100);
    EXPECT_EQ(port.COM_ReadChar(), -1);
    const auto closing = Steady::now();
    port.close();
    EXPECT_LT(msSince(closing), 100);
}

TEST_F(ThreadComOnPty, ClosingKeepsTheBytesInTheRing)
{
    ASSERT_TRUE(port.Open(pty.description()));
    const std::uint8_t reply[] = {0x11, 0x22, 0x33};
    pty.send(reply);
    ASSERT_EQ(waitForByte(port, 1000), 0x11);
    port.close();
    EXPECT_EQ(drain(port), (std::vector<std::uint8_t>{0x22, 0x33}));
    EXPECT_EQ(port.COM_ReadChar(), -1);
}

} // namespace
} // namespace veltroma
