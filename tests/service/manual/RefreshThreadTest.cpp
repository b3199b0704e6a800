#include "service/manual/RefreshThread.h"

#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltroma::test {
namespace {

struct RecordingDisplay final : ManualTestDisplay {
    void showDci(int reading, int offset) override { dci.push_back({reading, offset}); }
    void showSerialNumbers(const SerialNumberTexts& texts) override { serials.push_back(texts); }
    void showWriteFailure(const WriteFailure& failure) override { failures.push_back(failure); }
    std::vector<std::pair<int, int>> dci;
    std::vector<WriteFailure> failures;
    std::vector<SerialNumberTexts> serials;
};

std::vector<std::uint8_t> dciBlock()
{
    std::vector<std::uint8_t> block(17, 0x00);
    block.front() = 0x6A;
    block[12] = 0x00;
    block[13] = 0x64;
    block[14] = 0x07;
    block[15] = 0xD0;
    block.back() = 0x4D;
    return block;
}

class RefreshThreadLoads : public ::testing::Test {
protected:
    VirtualClock clock;
    FakeLink link{clock};
    RecordingDisplay display;
    RefreshThread thread{link, clock, display};
};

TEST_F(RefreshThreadLoads, ShortOrLateRepliesAreTriedThreeTimesThenLeftSilent)
{
    // One byte short, then one that starts after the first-byte timeout.
    int sends = 0;
    link.respondWith([&](FakeLink& l, const FakeLink::Sent& sent) {
        ++sends;
        const auto block = dciBlock();
        if (sends == 1)
            l.arrive(sent.atMs + 5, std::span(block).first(16));
        else
            l.arrive(sent.atMs + 1600, block);
    });
    EXPECT_FALSE(thread.TestLoad(ServiceLoad::ReadDci));
    EXPECT_EQ(link.sent().size(), 3);
    EXPECT_TRUE(display.dci.empty());
    EXPECT_TRUE(display.serials.empty());
}

TEST_F(RefreshThreadLoads, AWholeReplyOnTheSecondAttemptIsShown)
{
    link.respondWith([&](FakeLink& l, const FakeLink::Sent& sent) {
        if (link.sent().size() == 2)
            l.arrive(sent.atMs + 5, dciBlock(), 1);
    });
    EXPECT_TRUE(thread.TestLoad(ServiceLoad::ReadDci));
    EXPECT_EQ(link.sent().size(), 2);
    EXPECT_EQ(display.dci, (std::vector<std::pair<int, int>>{{100, 2000}}));
}

} // namespace
} // namespace veltroma::test
