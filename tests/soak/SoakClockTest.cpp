#include "SoakClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltroma::soak {
namespace {

TEST(SoakClock, TimersFireInOrderAtTheirOwnMomentsWithinOneLongSleep)
{
    SoakClock clock(1000);
    std::vector<std::pair<char, std::int64_t>> fired;
    clock.addTimer(500, [&] { fired.emplace_back('w', clock.nowMs()); });
    clock.addAt(1700, [&] { fired.emplace_back('o', clock.nowMs()); });
    clock.addAt(1200, [&] { fired.emplace_back('e', clock.nowMs()); });

    clock.sleepMs(1000);

    const std::vector<std::pair<char, std::int64_t>> expected{
        {'e', 1200}, {'w', 1500}, {'o', 1700}, {'w', 2000}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(clock.nowMs(), 2000);
}

TEST(SoakClock, ARemovedTimerNoLongerFiresEvenWhenItRemovesItself)
{
    SoakClock clock(0);
    int periodic = 0;
    int once = 0;
    SoakClock::TimerId self = 0;
    self = clock.addTimer(100, [&] {
        if (++periodic == 2)
            clock.removeTimer(self);
    });
    const auto gone = clock.addAt(50, [&] { ++once; });
    clock.removeTimer(gone);

    clock.sleepMs(1000);

    EXPECT_EQ(periodic, 2);
    EXPECT_EQ(once, 0);
}

TEST(SoakClock, AWaitWhoseConditionHoldsTakesNoTimeAndOneThatDoesNotTakesItAll)
{
    SoakClock clock(0);
    std::mutex mutex;
    std::condition_variable wake;
    std::unique_lock lock(mutex);

    EXPECT_TRUE(clock.waitFor(wake, lock, 300, [] { return true; }));
    EXPECT_EQ(clock.nowMs(), 0);
    EXPECT_FALSE(clock.waitFor(wake, lock, 300, [] { return false; }));
    EXPECT_EQ(clock.nowMs(), 300);
    EXPECT_TRUE(lock.owns_lock());
}

} // namespace
} // namespace veltroma::soak
