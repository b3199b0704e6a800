#include "monitor/Reading.h"
#include "publish/CounterGuard.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace veltroma::test {
namespace {

using Maybe = std::optional<double>;

// A reply of one inverter that carried energy today, energy total and hours total as given;
// nothing: the reply did not carry it (the reading holds an older value there).
Reading counters(Maybe today, Maybe total, Maybe hours)
{
    Reading reading;
    const auto set = [&reading](Quantity q, Maybe value) {
        const auto i = std::size_t(index(q));
        reading.values[i] = value ? float(*value) : 5555.5F;
        reading.carried[i] = value.has_value();
    };
    set(Quantity::Etoday, today);
    set(Quantity::Etotal, total);
    set(Quantity::Htotal, hours);
    return reading;
}

TEST(CounterGuardTest, TotalsNeverGoBackAndOnlyAReplysOwnPositiveValuesArePublished)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Step {
        const char* what;
        Reading reading;
        CounterValues published;
        std::uint64_t withheld; // so far
    };
    const Step steps[] = {
        {"zeros before the inverter has counted anything", counters(0.0, 0.0, 0.0), {0.0, {}, {}}, 0},
        {"the first totals", counters(1.5, 12345.6, 4096.0), {1.5, 12345.6, 4096.0}, 0},
        {"a reply without the counters", counters({}, {}, {}), {{}, {}, {}}, 0},
        {"an energy total below the last, hours as before", counters(1.6, 12345.5, 4096.0),
         {1.6, {}, 4096.0}, 1},
        {"totals of 0 after real ones", counters(1.6, 0.0, 0.0), {1.6, {}, {}}, 3},
        {"negative values", counters(-0.1, -1.0, -2.0), {{}, {}, {}}, 5},
        {"no number at all", counters(kNaN, kNaN, kNaN), {{}, {}, {}}, 5},
        {"the last total again", counters(1.7, 12345.6, 4096.0), {1.7, 12345.6, 4096.0}, 5},
        // 12345.63 is published as 12345.6 and compared as such: no drop.
        {"a value that rounds to the last", counters(1.7, 12345.63, 4096.0), {1.7, 12345.6, 4096.0}, 5},
        {"the totals go on", counters(1.8, 12345.7, 4097.0), {1.8, 12345.7, 4097.0}, 5},
        {"a new day", counters(0.0, 12345.7, 4097.0), {0.0, 12345.7, 4097.0}, 5},
    };
    CounterGuard guard;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const CounterValues published = guard.pass(step.reading);
        EXPECT_EQ(published.energyToday, step.published.energyToday);
        EXPECT_EQ(published.energyTotal, step.published.energyTotal);
        EXPECT_EQ(published.hoursTotal, step.published.hoursTotal);
        EXPECT_EQ(guard.withheld(), step.withheld);
    }
}

} // namespace
} // namespace veltroma::test
