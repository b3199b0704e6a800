#include "SimOptions.h"

#include <gtest/gtest.h>

namespace veltroma::sim {
namespace {

std::string text(const SerialNumber& serial)
{
    return std::string(serial.begin(), serial.end());
}

TEST(SimOptions, PlainOptionsSetUnitOneAndUnitSettingsTheOthers)
{
    const ParsedOptions parsed = parseOptions(
        {"--serial", "A1B2C3D4E5", "--silent", "--reply-delay=7", "--unit",
         "3:address=3,rated-power=1500,night,slow=20", "--units", "3", "--unit",
         "2:serial=B2C3D4E5F6,send-info"});
    ASSERT_TRUE(parsed.options) << parsed.message;
    const SimOptions& o = *parsed.options;
    EXPECT_EQ(o.unitCount, 3u);
    EXPECT_EQ(text(o.units[0].inverter.serial), "A1B2C3D4E5");
    EXPECT_EQ(o.units[0].replyDelayMs, 7);
    EXPECT_EQ(text(o.units[1].inverter.serial), "B2C3D4E5F6");
    EXPECT_TRUE(o.units[1].inverter.sendInformation);
    EXPECT_FALSE(o.units[0].inverter.sendInformation);
    EXPECT_EQ(o.units[1].plant.ratedPowerW, 4000.0) << "unit 2's own default";
    EXPECT_EQ(o.units[2].inverter.address, 3);
    EXPECT_EQ(o.units[2].plant.ratedPowerW, 1500.0);
    EXPECT_EQ(text(o.units[2].inverter.serial), "VT24000125");
    EXPECT_EQ(o.units[2].replyDelayMs, 5);
    EXPECT_EQ(o.startCommands,
              (std::vector<std::string>{"silent on", "@3 night auto", "@3 slow 20"}));
}

TEST(SimOptions, RefusesUnitsItCannotPlay)
{
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--units", "7"},
             {"--units", "0"},
             {"--unit", "2:serial=B2C3D4E5F6"},  // no --units 2
             {"--units", "2", "--unit", "2"},
             {"--units", "2", "--unit", "2:colour=red"},
             {"--units", "2", "--unit", "2:serial=short"},
             {"--units", "2", "--unit", "2:night=on"},
             {"--units", "6", "--unit", "7:address=1"},
             {"--address", "1", "--unit", "1address=2"},
         }) {
        const ParsedOptions parsed = parseOptions(bad);
        EXPECT_FALSE(parsed.options) << bad.back();
        EXPECT_EQ(parsed.exitCode, 2) << bad.back();
    }
}

} // namespace
} // namespace veltroma::sim
