#include "monitor/Reading.h"
#include "publish/StatePacer.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

Reading inState(int stateCode, std::uint32_t faultWord = 0)
{
    Reading reading;
    reading.stateCode = stateCode;
    reading.faultWord = faultWord;
    return reading;
}

TEST(StatePacerTest, OneStatePerIntervalWhileOnlyValuesChangeAndAChangeOfStateAtOnce)
{
    struct Step {
        const char* what;
        std::int64_t atMs;
        Reading reading;
        bool due;
    };
    const Step steps[] = {
        {"the first reading", 0, inState(1), true},
        {"new values 3 s later", 3'000, inState(1), false},
        {"a millisecond before the interval has passed", 9'999, inState(1), false},
        {"the interval has passed", 10'000, inState(1), true},
        {"a fault a second later", 11'000, inState(2, 1U << 10), true},
        {"another fault word", 11'500, inState(2, 1U << 11), true},
        {"the same fault again", 12'000, inState(2, 1U << 11), false},
        {"back to normal", 12'100, inState(1), true},
        {"the interval counts from the last state sent", 22'099, inState(1), false},
        {"and has passed", 22'100, inState(1), true},
    };
    StatePacer pacer(10'000);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(pacer.due(step.reading, step.atMs), step.due);
        if (step.due)
            pacer.sent(step.reading, step.atMs);
    }
}

TEST(StatePacerTest, AnIntervalOfZeroLetsEveryReadingThrough)
{
    StatePacer pacer(0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pacer.due(inState(1), 5'000));
        pacer.sent(inState(1), 5'000);
    }
}

} // namespace
} // namespace veltroma::test
