#include "link/Commands.h"
#include "link/Frame.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <functional>

#include <vector>

using namespace veltroma;
using test::FakeLink;
using test::VirtualClock;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes frameBytes(const TxBuffer& tx, std::size_t length) { return {tx.begin(), tx.begin() + length}; }

// A reply frame with a correct checksum.
Bytes reply(std::uint8_t control, std::uint8_t function, const Bytes& data)
{
    Bytes frame{0xAA, 0xAA, 0x00, 0x01, 0x00, 0x00, control, function,
                static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    const unsigned sum = GetCheckSum(frame);
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

Bytes dataOf(std::size_t n)
{
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i)
        data[i] = static_cast<std::uint8_t>(0xF0 + i * 7);
    return data;
}

struct Receiver : ::testing::Test {
    VirtualClock clock{0};
    FakeLink link{clock};
    RxBuffer buffer{};

    int receive(int timeout = kFirstByteTimeoutMs) { return RecvDataBack(link, clock, buffer, timeout); }
};

} // namespace

TEST(RequestFrames, FixedFramesOfTheCommandTable)
{
    TxBuffer tx{};
    auto n = BuildRequest(tx, kBroadcastAddress, kControlRegister, kFunctionQuerySerial);
    EXPECT_EQ(frameBytes(tx, n), (Bytes{0x43, 0x5A, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x9D}));
    n = BuildRequest(tx, kBroadcastAddress, kControlRegister, kFunctionClearAddresses);
    EXPECT_EQ(frameBytes(tx, n), (Bytes{0x43, 0x5A, 0, 0, 0, 0, 0, 0x03, 0, 0x00, 0xA0}));
    n = BuildRequest(tx, kInverterAddress, kControlRead, kFunctionRealtime);
    EXPECT_EQ(frameBytes(tx, n), (Bytes{0x43, 0x5A, 0, 0, 0, 0x01, 0x01, 0x02, 0, 0x00, 0xA1}));
    n = BuildRequest(tx, kInverterAddress, kControlRead, kFunctionSettings);
    EXPECT_EQ(frameBytes(tx, n), (Bytes{0x43, 0x5A, 0, 0, 0, 0x01, 0x01, 0x04, 0, 0x00, 0xA3}));

    const Bytes assign{'A', 'B', 'C', '0', '1', '2', '3', '4', '5', '6', kInverterAddress};
    n = BuildRequest(tx, kBroadcastAddress, kControlRegister, kFunctionAssignAddress, assign);
    ASSERT_EQ(n, 22u);
    Bytes expected{0x43, 0x5A, 0, 0, 0, 0, 0, 0x01, 0x0B};
    expected.insert(expected.end(), assign.begin(), assign.end());
    const unsigned sum = 0x43 + 0x5A + 0x01 + 0x0B + 'A' + 'B' + 'C' + '0' + '1' + '2' + '3' + '4'
        + '5' + '6' + 0x01;
    expected.push_back(static_cast<std::uint8_t>(sum >> 8));
    expected.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    EXPECT_EQ(frameBytes(tx, n), expected);
}

TEST(RequestFrames, BytesBeyondTheFrameKeepAnEarlierRequest)
{
    TxBuffer tx{};
    const Bytes longData = dataOf(11);
    BuildRequest(tx, 0, 0, kFunctionAssignAddress, longData);
    const auto before = tx;
    const auto n = BuildRequest(tx, 1, 1, kFunctionRealtime);
    EXPECT_TRUE(std::equal(tx.begin() + n, tx.end(), before.begin() + n));
}

TEST(RequestFrames, SendHandsOverExactlyTheFrame)
{
    VirtualClock clock{0};
    FakeLink link{clock};
    TxBuffer tx{};
    SendRequest(link, tx, kInverterAddress, kControlRead, kFunctionSettings);
    ASSERT_EQ(link.sent().size(), 1u);
    EXPECT_EQ(link.sent()[0].bytes, (Bytes{0x43, 0x5A, 0, 0, 0, 1, 1, 4, 0, 0, 0xA3}));
}

TEST_F(Receiver, AcceptsAFrameOnlyWithItsLastByte)
{
    const Bytes frame = reply(0x01, 0x82, dataOf(40));
    ASSERT_EQ(frame.size(), 51u);
    link.arrive(100, frame);  // byte k arrives at 100 + k - 1
    EXPECT_EQ(receive(), 51);
    EXPECT_EQ(clock.nowMs(), 150);  // returned as the 51st byte came, not before
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), buffer.begin()));
}

TEST_F(Receiver, RejectsWrongBytesAtTheirPosition)
{
    struct Case {
        const char* what;
        std::size_t position;  // 1-based
        std::uint8_t value;
    };
    for (const Case c : {Case{"second header byte 0x55", 2, 0x55}, Case{"destination not the PC", 6, 0x01},
                         Case{"control code 3", 7, 0x03}, Case{"function code 0x7F", 8, 0x7F}}) {
        SCOPED_TRACE(c.what);
        Bytes frame = reply(0x01, 0x82, dataOf(40));
        frame[c.position - 1] = c.value;
        VirtualClock localClock{0};
        FakeLink localLink{localClock};
        localLink.arrive(10, frame);
        RxBuffer rx{};
        EXPECT_EQ(RecvDataBack(localLink, localClock, rx, kFirstByteTimeoutMs), 0);
        EXPECT_EQ(localLink.unread(), frame.size() - c.position);  // nothing read past it
    }
}

TEST_F(Receiver, AcceptsEveryAllowedControlAndFunctionCode)
{
    for (const auto& [control, function] : {std::pair<std::uint8_t, std::uint8_t>{0x00, 0x80},
                                           {0x01, 0xFF}, {0x02, 0x84}}) {
        VirtualClock localClock{0};
        FakeLink localLink{localClock};
        localLink.arrive(0, reply(control, function, dataOf(3)));
        RxBuffer rx{};
        EXPECT_EQ(RecvDataBack(localLink, localClock, rx, kFirstByteTimeoutMs), 14);
    }
}

TEST_F(Receiver, ChecksumOffByOneEndsOnTheSilence)
{
    Bytes frame = reply(0x01, 0x82, dataOf(40));
    frame.back() = static_cast<std::uint8_t>(frame.back() + 1);
    link.arrive(200, frame);
    EXPECT_EQ(receive(), 0);
    EXPECT_EQ(clock.nowMs(), 250 + kInterByteSilenceMs);  // last byte at 250
}

TEST_F(Receiver, NoReplyEndsOnTheFirstByteTimeout)
{
    EXPECT_EQ(receive(), 0);
    EXPECT_EQ(clock.nowMs(), 1500);
}

TEST_F(Receiver, SilenceWithinAReplyEndsIt)
{
    const Bytes frame = reply(0x01, 0x84, dataOf(20));
    link.arrive(0, std::span(frame).first(12));
    link.arrive(11 + 51, std::span(frame).subspan(12));  // a gap of 51 ms
    EXPECT_EQ(receive(), 0);
}

TEST_F(Receiver, GapJustUnderTheSilenceLimitIsTolerated)
{
    const Bytes frame = reply(0x01, 0x84, dataOf(20));
    link.arrive(0, std::span(frame).first(12));
    link.arrive(11 + 49, std::span(frame).subspan(12));
    EXPECT_EQ(receive(), static_cast<int>(frame.size()));
}

TEST_F(Receiver, OversizedLengthIsRejectedAtTheLengthByte)
{
    buffer.fill(0x5C);
    Bytes frame{0xAA, 0xAA, 0, 1, 0, 0, 0x01, 0x82, 170};
    frame.resize(9 + 170 + 2, 0x11);
    link.arrive(0, frame);
    EXPECT_EQ(receive(), 0);
    EXPECT_EQ(link.unread(), frame.size() - 9);
    EXPECT_TRUE(std::all_of(buffer.begin() + 9, buffer.end(), [](auto b) { return b == 0x5C; }));
}

TEST_F(Receiver, LargestFrameFillsTheBufferExactly)
{
    const Bytes frame = reply(0x01, 0x82, dataOf(kMaxReplyData));
    ASSERT_EQ(frame.size(), kRxBufferSize);
    link.arrive(0, frame);
    EXPECT_EQ(receive(), 180);
}

TEST_F(Receiver, StreamAfterAMismatchIsNeverStoredPastTheBuffer)
{
    Bytes frame = reply(0x01, 0x82, dataOf(kMaxReplyData));
    frame.back() ^= 0x01;
    frame.resize(frame.size() + 300, 0x77);  // a babbling line after the bad frame
    link.arrive(0, frame);
    EXPECT_EQ(receive(), 0);
    EXPECT_EQ(link.unread(), 0u);
}

TEST_F(Receiver, ALineThatNeverStopsSendingEndsTheReceiveAtItsDeadline)
{
    Bytes frame = reply(0x01, 0x82, dataOf(kMaxReplyData));
    frame.back() ^= 0x01;
    frame.resize(100'000, 0x77);  // a line that keeps sending for 100 s
    link.arrive(0, frame);
    const std::int64_t start = clock.nowMs();
    EXPECT_EQ(receive(), 0);
    EXPECT_LE(clock.nowMs() - start, kFirstByteTimeoutMs + kLongestReplyMs);
    EXPECT_EQ(kLongestReplyMs, 188);
}

TEST(RawReceiver, StoresTenBytesUnchecked)
{
    VirtualClock clock{0};
    FakeLink link{clock};
    RxBuffer buffer{};
    const Bytes raw{0x00, 0x55, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x99};
    link.arrive(300, raw);
    EXPECT_EQ(SerialRecvDataBack(link, clock, buffer, kFirstByteTimeoutMs), 10);
    EXPECT_TRUE(std::equal(raw.begin(), raw.begin() + 10, buffer.begin()));
    EXPECT_EQ(link.unread(), 1u);
}

TEST(RawReceiver, NineBytesAreATimeout)
{
    VirtualClock clock{0};
    FakeLink link{clock};
    RxBuffer buffer{};
    link.arrive(0, Bytes(9, 0x42));
    EXPECT_EQ(SerialRecvDataBack(link, clock, buffer, kFirstByteTimeoutMs), 0);
    EXPECT_EQ(clock.nowMs(), 8 + kInterByteSilenceMs);
}

TEST_F(Receiver, BytesAlreadyWaitingAreTakenThoughTheReaderCameLate)
{
    const auto frame = reply(0x01, 0x82, dataOf(40));
    link.arrive(0, frame);
    // The reader is held up for 120 ms in the middle of the reply, more than the silence
    // limit; the line itself was never silent, so the reply stands.
    int sleeps = 0;
    clock.onSleep([&](std::int64_t) {
        if (++sleeps == 10)
            clock.advance(120);
    });
    EXPECT_EQ(receive(), 51);
    EXPECT_EQ(link.counters().validatedReplies, 1u);
}

TEST_F(Receiver, EchoOfTheRequestJustSentIsSkippedAndCounted)
{
    TxBuffer tx{};
    SendRequest(link, tx, kInverterAddress, kControlRead, kFunctionRealtime);
    const Bytes request = link.lastSent();
    const auto start = clock.nowMs();
    link.arrive(start + 300, request);
    link.arrive(start + 320, reply(0x01, 0x82, dataOf(40)));
    EXPECT_EQ(receive(), 51);
    EXPECT_EQ(buffer[0], 0xAA);
    auto counted = link.counters();
    EXPECT_EQ(counted.requestsSent, 1u);
    EXPECT_EQ(counted.echoesSkipped, 1u);
    EXPECT_EQ(counted.validatedReplies, 1u);

    // An echo and no reply: the wait for the reply's first byte starts after the echo.
    SendRequest(link, tx, kInverterAddress, kControlRead, kFunctionRealtime);
    const auto again = clock.nowMs();
    link.arrive(again + 300, request);
    EXPECT_EQ(receive(), 0);
    EXPECT_EQ(clock.nowMs(), again + 300 + 10 + kFirstByteTimeoutMs);
    counted = link.counters();
    EXPECT_EQ(counted.echoesSkipped, 2u);
    EXPECT_EQ(counted.timeouts, 1u);
}

TEST_F(Receiver, WhatOnlyLooksLikeAnEchoIsRejected)
{
    TxBuffer tx{};
    SendRequest(link, tx, kInverterAddress, kControlRead, kFunctionRealtime);
    Bytes cut = link.lastSent();
    {
        SCOPED_TRACE("the first half of the request, then a reply");
        Bytes stream(cut.begin(), cut.begin() + 5);
        const auto answer = reply(0x01, 0x82, dataOf(4));
        stream.insert(stream.end(), answer.begin(), answer.end());
        link.arrive(clock.nowMs(), stream);
        EXPECT_EQ(receive(), 0);
        EXPECT_EQ(link.counters().rejectedHeader, 1u);
    }
    {
        SCOPED_TRACE("another request than the one sent");
        cut[5] = 0x02;
        link.arrive(clock.nowMs(), cut);
        EXPECT_EQ(receive(), 0);
        EXPECT_EQ(link.counters().rejectedHeader, 2u);
        EXPECT_EQ(link.counters().echoesSkipped, 0u);
    }
}

// On a bus, silence means nobody is there to answer and bytes that make no frame mean more
// than one answered at once: a receive tells the two apart.
TEST(ReceiveOutcomes, SilenceIsNothingHeardAndBytesWithoutAFrameAreRejected)
{
    struct Case {
        const char* what;
        std::function<void(FakeLink&, const Bytes& request, std::int64_t now)> line;
        ReceiveOutcome outcome;
    };
    const Bytes good = reply(0x01, 0x82, dataOf(40));
    Bytes badSum = good;
    badSum.at(good.size() - 1) ^= 0x5A;
    Bytes badHeader = good;
    badHeader[0] = 0xEA;
    const Case cases[] = {
        {"a valid reply", [&](FakeLink& l, const Bytes&, std::int64_t now) { l.arrive(now + 20, good); },
         ReceiveOutcome::Validated},
        {"silence", [](FakeLink&, const Bytes&, std::int64_t) {}, ReceiveOutcome::NothingHeard},
        {"only the adapter's echo", [](FakeLink& l, const Bytes& request, std::int64_t now) { l.arrive(now + 5, request); },
         ReceiveOutcome::NothingHeard},
        {"a bad checksum", [&](FakeLink& l, const Bytes&, std::int64_t now) { l.arrive(now + 20, badSum); },
         ReceiveOutcome::Rejected},
        {"a bad header", [&](FakeLink& l, const Bytes&, std::int64_t now) { l.arrive(now + 20, badHeader); },
         ReceiveOutcome::Rejected},
        {"a reply cut short", [&](FakeLink& l, const Bytes&, std::int64_t now) {
             l.arrive(now + 20, std::span(good).first(20)); },
         ReceiveOutcome::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualClock clock{0};
        FakeLink link{clock};
        TxBuffer tx{};
        SendRequest(link, tx, kInverterAddress, kControlRead, kFunctionRealtime);
        c.line(link, link.lastSent(), clock.nowMs());
        RxBuffer rx{};
        const Received received = receiveReply(link, clock, rx);
        EXPECT_EQ(received.outcome, c.outcome);
        EXPECT_EQ(received.length, c.outcome == ReceiveOutcome::Validated ? int(good.size()) : 0);
    }
}

TEST_F(Receiver, CountsEveryOutcomeByItsReason)
{
    auto badSum = reply(0x01, 0x82, dataOf(4));
    badSum.back() ^= 0x01;
    auto tooLong = reply(0x01, 0x82, dataOf(4));
    tooLong[8] = 170;
    struct Case {
        const char* name;
        Bytes stream;
        std::uint64_t LinkCounters::*counter;
    };
    const Case cases[] = {
        {"valid", reply(0x01, 0x84, dataOf(18)), &LinkCounters::validatedReplies},
        {"wrong header", {0xAA, 0x55}, &LinkCounters::rejectedHeader},
        {"wrong destination", {0xAA, 0xAA, 0, 1, 0, 7}, &LinkCounters::rejectedHeader},
        {"function below 0x80", {0xAA, 0xAA, 0, 1, 0, 0, 1, 0x7F}, &LinkCounters::rejectedHeader},
        {"length beyond the buffer", Bytes(tooLong.begin(), tooLong.begin() + 9),
         &LinkCounters::rejectedLength},
        {"checksum", badSum, &LinkCounters::rejectedChecksum},
        {"cut short", Bytes(badSum.begin(), badSum.begin() + 12), &LinkCounters::timeouts},
        {"nothing", {}, &LinkCounters::timeouts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = link.counters();
        link.arrive(clock.nowMs() + 5, c.stream);
        (void)receive();
        const auto after = link.counters();
        EXPECT_EQ(after.*c.counter, before.*c.counter + 1);
        const auto total = [](const LinkCounters& k) {
            return k.validatedReplies + k.rejectedHeader + k.rejectedLength + k.rejectedChecksum
                + k.timeouts;
        };
        EXPECT_EQ(total(after), total(before) + 1) << "one outcome per receive";
    }
    RxBuffer raw{};
    EXPECT_EQ(SerialRecvDataBack(link, clock, raw), 0);
    EXPECT_EQ(link.counters().timeouts, 3u);
}
