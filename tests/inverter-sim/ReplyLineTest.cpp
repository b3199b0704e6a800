#include "ReplyLine.h"
#include "Unit.h"

#include <gtest/gtest.h>

namespace veltroma::sim {
namespace {

constexpr Micros kByteUs = 1000;

// A reply frame whose bytes tell the units apart: the header, then `fill` repeated.
Reply reply(std::uint8_t fill, std::size_t length = 8)
{
    Bytes bytes{kReplyHeader, kReplyHeader};
    bytes.resize(length, fill);
    return Reply{bytes, "serial"};
}

std::uint8_t sum(std::initializer_list<int> bytes)
{
    int total = 0;
    for (int byte : bytes)
        total += byte;
    return static_cast<std::uint8_t>(total);
}

TEST(ReplyLine, RepliesThatStartTogetherAreSummedAndNeverKeepTheirHeader)
{
    for (std::size_t count = 2; count <= kMostUnits; ++count) {
        SCOPED_TRACE(count);
        ReplyLine line(kByteUs);
        for (std::size_t unit = 0; unit < count; ++unit)
            line.add(unit, reply(static_cast<std::uint8_t>(0x10 * (unit + 1))), 5000);
        ReplyLine::Transmission& t = line.front();
        EXPECT_EQ(t.startAt, 5000);
        EXPECT_EQ(t.bytes.size(), 8u);
        EXPECT_EQ(t.units().size(), count);
        EXPECT_NE(t.bytes[0], kReplyHeader);
        EXPECT_NE(t.bytes[1], kReplyHeader);
        int fills = 0;
        for (std::size_t unit = 0; unit < count; ++unit)
            fills += static_cast<int>(0x10 * (unit + 1));
        EXPECT_EQ(t.bytes[7], static_cast<std::uint8_t>(fills));
        line.popFront();
        EXPECT_TRUE(line.empty()) << "one transmission for all";
    }
}

TEST(ReplyLine, RepliesThatStartApartMergeFromTheSlotOfTheLaterStart)
{
    ReplyLine line(kByteUs);
    line.add(0, reply(0x11), 0);
    line.add(1, reply(0x22), 3 * kByteUs + 500);  // within the fourth byte
    ReplyLine::Transmission& t = line.front();
    ASSERT_EQ(t.parts.size(), 2u);
    EXPECT_EQ(t.parts[1].slot, 3u);
    EXPECT_EQ(t.bytes.size(), 11u);
    EXPECT_EQ(Bytes(t.bytes.begin(), t.bytes.begin() + 3), (Bytes{0xAA, 0xAA, 0x11}));
    EXPECT_EQ(t.bytes[3], sum({0x11, 0xAA}));
    EXPECT_EQ(t.bytes[5], sum({0x11, 0x22}));
    EXPECT_EQ(t.bytes[10], 0x22);

    // A reply of another unit that starts earlier moves the start of the transmission.
    ReplyLine early(kByteUs);
    early.add(0, reply(0x11), 5 * kByteUs);
    early.add(1, reply(0x22), 2 * kByteUs);
    EXPECT_EQ(early.front().startAt, 2 * kByteUs);
    EXPECT_EQ(early.front().parts[0].unit, 1u);
    EXPECT_EQ(early.front().parts[1].slot, 3u);
    EXPECT_EQ(early.front().bytes[3], sum({0x22, 0xAA}));
}

TEST(ReplyLine, AReplyOverlappingTwoTransmissionsJoinsThemIntoOne)
{
    ReplyLine line(kByteUs);
    line.add(0, reply(0x11, 4), 0);
    line.add(1, reply(0x22, 4), 10 * kByteUs);
    // From the first one's third byte to beyond the second's start.
    line.add(2, reply(0x33, 14), 2 * kByteUs);
    const ReplyLine::Transmission& t = line.front();
    EXPECT_EQ(t.units(), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(t.bytes.size(), 16u);
    EXPECT_EQ(t.bytes[10], sum({0xAA, 0x33}));
    EXPECT_EQ(t.bytes[12], sum({0x22, 0x33}));
    line.popFront();
    EXPECT_TRUE(line.empty());

    // A unit's own replies never overlap: its next one waits for the end of its last.
    line.add(2, reply(0x44), 0);
    EXPECT_EQ(line.front().startAt, 16 * kByteUs);
    EXPECT_EQ(line.front().bytes, reply(0x44).bytes);
}

TEST(ReplyLine, BytesAlreadySentStayAsTheyWent)
{
    ReplyLine line(kByteUs);
    line.add(0, reply(0x11), 0);
    ASSERT_EQ(line.dueBytes(4 * kByteUs), 5u);
    line.front().sent = 5;
    const Bytes sent(line.front().bytes.begin(), line.front().bytes.begin() + 5);
    // Its reply delay puts it in the past of what is already on the line.
    line.add(1, reply(0x22), 4 * kByteUs);
    ReplyLine::Transmission& t = line.front();
    EXPECT_EQ(Bytes(t.bytes.begin(), t.bytes.begin() + 5), sent);
    EXPECT_EQ(t.parts[1].slot, 5u);
    EXPECT_EQ(t.bytes[5], sum({0x11, 0xAA}));
    EXPECT_EQ(line.nextDueAt(), 5 * kByteUs);
}

} // namespace
} // namespace veltroma::sim
