#include "channel/RxRing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace veltroma {
namespace {

std::vector<std::uint8_t> sequence(std::size_t count, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<int> takeAll(RxRing& ring)
{
    std::vector<int> taken;
    for (int byte = ring.take(); byte >= 0; byte = ring.take())
        taken.push_back(byte);
    return taken;
}

TEST(RxRing, EmptyRingGivesMinusOneAndStaysUsable)
{
    RxRing ring;
    EXPECT_EQ(ring.take(), -1);
    EXPECT_EQ(ring.take(), -1);
    const std::uint8_t bytes[] = {0x00, 0xFF};
    ring.append(bytes);
    EXPECT_EQ(ring.take(), 0x00);
    EXPECT_EQ(ring.take(), 0xFF);
    EXPECT_EQ(ring.take(), -1);
}

TEST(RxRing, KeepsOrderAcrossTheWrap)
{
    RxRing ring;
    // Move both indices close to the end, then write across it.
    ring.append(sequence(500));
    EXPECT_EQ(takeAll(ring).size(), 500u);
    const auto bytes = sequence(40, 7);
    EXPECT_EQ(ring.append(bytes), 40u);
    const auto taken = takeAll(ring);
    EXPECT_EQ(taken, std::vector<int>(bytes.begin(), bytes.end()));
}

TEST(RxRing, HoldsAtMost511AndKeepsTheUnreadOnesWhenFull)
{
    RxRing ring;
    const auto bytes = sequence(600);
    EXPECT_EQ(ring.append(bytes), RxRing::kCapacity);
    EXPECT_EQ(ring.unread(), 511u);
    EXPECT_EQ(ring.append(bytes), 0u);
    const auto taken = takeAll(ring);
    ASSERT_EQ(taken.size(), 511u);
    EXPECT_EQ(taken.front(), 0);
    EXPECT_EQ(taken.back(), 510 % 256);
}

TEST(RxRing, ResetDropsUnreadBytes)
{
    RxRing ring;
    ring.append(sequence(30));
    ring.reset();
    EXPECT_EQ(ring.take(), -1);
    ring.append(sequence(3, 9));
    EXPECT_EQ(takeAll(ring), (std::vector<int>{9, 10, 11}));
}

} // namespace
} // namespace veltroma
