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
    NightMode night = NightMode::Never;

    CommandOutcome run(const std::string& line)
    {
        return runCommand(line, {inverter, plant, faults, night});
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
    EXPECT_TRUE(run("night auto").ok);
    EXPECT_EQ(night, NightMode::WithTheSun);
}

TEST_F(ControlCommandsTest, WriteFaultsAreSwitchedOnAndOff)
{
    EXPECT_TRUE(run("unapplied on").ok);
    EXPECT_TRUE(run("refuse 0x05").ok);
    EXPECT_TRUE(inverter.writeFaults().unapplied);
    EXPECT_EQ(inverter.writeFaults().refusedFunction, 0x05);
    EXPECT_TRUE(run("refuse 61").ok);
    EXPECT_EQ(inverter.writeFaults().refusedFunction, 0x3D);
    for (const char* bad : {"unapplied maybe", "refuse 256", "refuse", "refuse on"})
        EXPECT_FALSE(run(bad).ok) << bad;
    EXPECT_EQ(inverter.writeFaults().refusedFunction, 0x3D);
    EXPECT_TRUE(run("unapplied off").ok);
    EXPECT_TRUE(run("refuse off").ok);
    EXPECT_FALSE(inverter.writeFaults().unapplied);
    EXPECT_FALSE(inverter.writeFaults().refusedFunction.has_value());
}

TEST_F(ControlCommandsTest, RefusesWhatItCannotTakeAndChangesNothing)
{
    for (const char* bad : {"", "silent", "silent maybe", "slow -1", "slow 60001", "state 256",
                            "state 1 2", "fault 0x100000000", "fault x", "serial 123",
                            "address 300", "dci 70000", "night dusk", "night", "jump 3"}) {
        const CommandOutcome outcome = run(bad);
        EXPECT_FALSE(outcome.ok) << bad;
        EXPECT_FALSE(outcome.message.empty()) << bad;
    }
    EXPECT_FALSE(faults.silent);
    EXPECT_EQ(faults.slowMs, 0);
    EXPECT_EQ(plant.stateCode(), 1);
    EXPECT_EQ(inverter.address(), 0);
    EXPECT_EQ(night, NightMode::Never);
}

TEST(Night, FollowsTheSunOrTheSetting)
{
    constexpr double kDay = 86400.0;
    EXPECT_FALSE(asleepAt(NightMode::Never, 2 * 3600.0)) << "by default the inverter never sleeps";
    for (const double at : {5 * 3600.0, 19.5 * 3600.0, kDay + 3 * 3600.0, 3 * kDay - 1})
        EXPECT_TRUE(asleepAt(NightMode::WithTheSun, at)) << at;
    for (const double at : {7 * 3600.0, 12 * 3600.0, 5 * kDay + 18 * 3600.0})
        EXPECT_FALSE(asleepAt(NightMode::WithTheSun, at)) << at;
    EXPECT_TRUE(asleepAt(NightMode::Dark, 12 * 3600.0));
}

TEST(SplitUnit, NamesTheUnitOrNone)
{
    const auto plain = splitUnit("silent on");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->unit);
    EXPECT_EQ(plain->command, "silent on");

    const auto addressed = splitUnit(" @12  fault 0x400");
    ASSERT_TRUE(addressed);
    EXPECT_EQ(addressed->unit, 12u);
    EXPECT_EQ(addressed->command, "fault 0x400");

    for (const char* bad : {"@", "@2", "@2 ", "@0 silent on", "@x silent on", "@2silent on",
                            "@-1 silent on"})
        EXPECT_FALSE(splitUnit(bad)) << bad;
}

TEST(LineCommands, EchoReplugAndQuitAreTakenAndCheckedOthersPassedOn)
{
    LineSettings line;
    ASSERT_TRUE(runLineCommand("echo on", line)->ok);
    EXPECT_TRUE(line.echo);
    ASSERT_TRUE(runLineCommand("replug 2.5", line)->ok);
    EXPECT_EQ(line.replugAfterSeconds, 2.5);

    const auto quit = runLineCommand("quit", line);
    ASSERT_TRUE(quit);
    EXPECT_TRUE(quit->ok && quit->quit);

    for (const char* bad : {"echo 1", "replug", "replug -1", "replug 2s", "replug 3601",
                            "echo on off", "quit now"}) {
        const auto outcome = runLineCommand(bad, line);
        ASSERT_TRUE(outcome) << bad;
        EXPECT_FALSE(outcome->ok) << bad;
    }
    EXPECT_TRUE(line.echo);
    EXPECT_EQ(line.replugAfterSeconds, 2.5);
    EXPECT_FALSE(runLineCommand("silent on", line)) << "not a line command";
    EXPECT_FALSE(runLineCommand("night on", line)) << "each unit has its own night";
}

} // namespace
} // namespace veltroma::sim
