#include "ControlCommands.h"
#include "LineCommands.h"

#include <gtest/gtest.h>

namespace veltroma::sim {
namespace {

TEST(ParseSerial, TakesExactlyTenBytesWithEscapes)
{
    const auto plain = parseSerial("A1B2C3D4E5");
    ASSERT_TRUE(plain);
    EXPECT_EQ(std::string(plain->begin(), plain->end()), "A1B2C3D4E5");

    const auto withZero = parseSerial("A1B2\\x00C3D4E");
    ASSERT_TRUE(withZero);
    EXPECT_EQ((*withZero)[4], 0x00);
    EXPECT_EQ((*withZero)[5], 'C');

    const auto backslash = parseSerial("\\\\\\xfF23456789");
    ASSERT_TRUE(backslash);
    EXPECT_EQ((*backslash)[0], '\\');
    EXPECT_EQ((*backslash)[1], 0xFF);

    for (const char* bad :
         {"A1B2C3D4E", "A1B2C3D4E56", "A1B2C3D4\\x0", "A1B2C3D4\\xG0", "A1B2C3D4\\q"})
        EXPECT_FALSE(parseSerial(bad)) << bad;
}

class ControlCommandsTest : public testing::Test {
protected:
    std::mt19937 noise{1};
    PlantModel plant{PlantConfig{}, 12 * 3600.0};
    Inverter inverter{InverterConfig{}, plant, noise};
    FaultSettings faults;

    CommandOutcome run(const std::string& line)
    {
        return runCommand(line, {inverter, plant, faults});
    }
};

TEST_F(ControlCommandsTest, SwitchesAndValuesReachTheirTargets)
{
    EXPECT_TRUE(run("silent on").ok);
    EXPECT_TRUE(run("badsum on").ok);
    EXPECT_TRUE(run("  garbage   on ").ok);
    EXPECT_TRUE(run("nomarkers on").ok);
    EXPECT_TRUE(run("slow 250").ok);
    EXPECT_TRUE(faults.silent && faults.badChecksum && faults.garbage && faults.noMarkers);
    EXPECT_EQ(faults.slowMs, 250);
    EXPECT_TRUE(run("silent off").ok);
    EXPECT_FALSE(faults.silent);

    EXPECT_TRUE(run("state 3").ok);
    EXPECT_EQ(plant.stateCode(), 3);
    EXPECT_TRUE(run("state auto").ok);
    EXPECT_TRUE(run("fault 0x80000400").ok);
    EXPECT_EQ(plant.stateCode(), 2);

    EXPECT_TRUE(run("serial 0123456789").ok);
    EXPECT_EQ(inverter.serial()[9], '9');
    EXPECT_TRUE(run("address 7").ok);
    EXPECT_EQ(inverter.address(), 7);
    EXPECT_TRUE(run("dcioffset 0x7D0").ok);
    EXPECT_EQ(inverter.dciOffset(), 2000);

    const CommandOutcome quit = run("quit");
    EXPECT_TRUE(quit.ok);
    EXPECT_TRUE(quit.quit);
}

TEST_F(ControlCommandsTest, RefusesWhatItCannotTakeAndChangesNothing)
{
    for (const char* bad : {"", "silent", "silent maybe", "slow -1", "slow 60001", "state 256",
                            "state 1 2", "fault 0x100000000", "fault x", "serial 123",
                            "address 300", "dci 70000", "jump 3"}) {
        const CommandOutcome outcome = run(bad);
        EXPECT_FALSE(outcome.ok) << bad;
        EXPECT_FALSE(outcome.message.empty()) << bad;
    }
    EXPECT_FALSE(faults.silent);
    EXPECT_EQ(faults.slowMs, 0);
    EXPECT_EQ(plant.stateCode(), 1);
    EXPECT_EQ(inverter.address(), 0);
}

TEST(LineCommands, NightEchoAndReplugAreTakenAndCheckedOthersPassedOn)
{
    LineSettings line;
    constexpr double kDay = 86400.0;
    EXPECT_FALSE(line.asleepAt(2 * 3600.0)) << "by default the inverter never sleeps";

    ASSERT_TRUE(runLineCommand("night auto", line)->ok);
    for (const double at : {5 * 3600.0, 19.5 * 3600.0, kDay + 3 * 3600.0, 3 * kDay - 1})
        EXPECT_TRUE(line.asleepAt(at)) << at;
    for (const double at : {7 * 3600.0, 12 * 3600.0, 5 * kDay + 18 * 3600.0})
        EXPECT_FALSE(line.asleepAt(at)) << at;
    ASSERT_TRUE(runLineCommand("night on", line)->ok);
    EXPECT_TRUE(line.asleepAt(12 * 3600.0));
    ASSERT_TRUE(runLineCommand("night off", line)->ok);
    EXPECT_FALSE(line.asleepAt(2 * 3600.0));

    ASSERT_TRUE(runLineCommand("echo on", line)->ok);
    EXPECT_TRUE(line.echo);
    ASSERT_TRUE(runLineCommand("replug 2.5", line)->ok);
    EXPECT_EQ(line.replugAfterSeconds, 2.5);

    for (const char* bad : {"night", "night dusk", "echo 1", "replug", "replug -1", "replug 2s",
                            "replug 3601", "echo on off"}) {
        const auto outcome = runLineCommand(bad, line);
        ASSERT_TRUE(outcome) << bad;
        EXPECT_FALSE(outcome->ok) << bad;
    }
    EXPECT_TRUE(line.echo);
    EXPECT_EQ(line.replugAfterSeconds, 2.5);
    EXPECT_FALSE(runLineCommand("silent on", line)) << "not a line command";
}

} // namespace
} // namespace veltroma::sim
