#include "PlantModel.h"

#include <gtest/gtest.h>

namespace veltroma::sim {
namespace {

constexpr double kHour = 3600.0;

std::uint8_t stateAt(PlantModel& plant, double seconds)
{
    plant.advanceTo(seconds);
    return plant.stateCode();
}

TEST(PlantModel, NightIsDarkAndWaiting)
{
    PlantModel plant(PlantConfig{}, 3 * kHour);
    std::mt19937 noise(1);
    const PlantReading r = plant.reading(noise);
    EXPECT_EQ(r.state, static_cast<std::uint8_t>(OperatingState::Wait));
    EXPECT_EQ(r.powerW, 0.0);
    EXPECT_EQ(r.pvVoltage, 0.0);
    EXPECT_EQ(plant.energyTodayWh(), 0.0);
    EXPECT_NEAR(r.gridVoltage, 230.0, 3.0);
    EXPECT_NEAR(r.gridFrequency, 50.0, 0.03);
}

TEST(PlantModel, ConnectsAfterSunriseOnceTheStartVoltageHeldForTheDelay)
{
    PlantModel plant(PlantConfig{}, 5 * kHour);
    double connectedAt = 0;
    for (double t = 5 * kHour; t < 8 * kHour && connectedAt == 0; t += 5)
        if (stateAt(plant, t) == 1)
            connectedAt = t;
    EXPECT_GT(connectedAt, kSunriseSeconds + 60);
    EXPECT_LT(connectedAt, kSunriseSeconds + 30 * 60);

    // A higher start voltage or a longer start delay starts later.
    PlantConfig strict;
    strict.startVoltage = 300.0;
    strict.startDelay = 300.0;
    PlantModel late(strict, 5 * kHour);
    EXPECT_EQ(stateAt(late, connectedAt), 0);
    EXPECT_EQ(stateAt(late, connectedAt + 30 * 60), 1);
}

TEST(PlantModel, DayYieldsEnergyFromSunAndRestartsAtMidnight)
{
    PlantModel plant(PlantConfig{}, 0);
    std::mt19937 noise(1);
    plant.advanceTo(12 * kHour);
    const PlantReading noon = plant.reading(noise);
    EXPECT_EQ(noon.state, 1);
    EXPECT_GT(noon.powerW, 2300.0);
    EXPECT_LE(noon.powerW, 3000.0 * 1.01);
    EXPECT_GT(noon.pvVoltage, 300.0);
    EXPECT_GT(noon.temperatureC, 30.0);
    EXPECT_GT(noon.gridVoltage, 230.0);  // feeding in lifts the grid voltage a little

    double lastToday = 0;
    double lastTotal = plant.energyTotalWh();
    for (double t = 12 * kHour; t <= 23 * kHour; t += 600) {
        plant.advanceTo(t);
        EXPECT_GE(plant.energyTodayWh(), lastToday);
        EXPECT_GE(plant.energyTotalWh(), lastTotal);
        lastToday = plant.energyTodayWh();
        lastTotal = plant.energyTotalWh();
    }
    // A 3 kW plant on a clear day of thirteen hours.
    EXPECT_GT(lastToday, 17000.0);
    EXPECT_LT(lastToday, 25000.0);
    EXPECT_NEAR(plant.energyTotalWh() - 12345.6e3, lastToday, 1.0);
    EXPECT_NEAR(plant.operatingSecondsToday() / kHour, 12.5, 0.4);
    EXPECT_EQ(plant.stateCode(), 0);

    plant.advanceTo(24 * kHour + 60);
    EXPECT_EQ(plant.energyTodayWh(), 0.0);
    EXPECT_EQ(plant.operatingSecondsToday(), 0.0);
    EXPECT_NEAR(plant.energyTotalWh(), lastTotal, 1e-6);
    EXPECT_NEAR(plant.operatingSecondsTotal(), 4096 * kHour + 12.5 * kHour, 0.4 * kHour);
}

TEST(PlantModel, StartingMidDayCarriesTheDaySoFar)
{
    PlantModel fromMidnight(PlantConfig{}, 0);
    fromMidnight.advanceTo(14 * kHour);
    PlantModel startedAtTwo(PlantConfig{}, 14 * kHour);
    EXPECT_NEAR(startedAtTwo.energyTodayWh(), fromMidnight.energyTodayWh(), 1e-6);
    EXPECT_EQ(startedAtTwo.stateCode(), 1);
}

TEST(PlantModel, FaultStopsFeedingAndReconnectingTakesTheStartDelay)
{
    PlantModel plant(PlantConfig{}, 12 * kHour);
    plant.setFaultWord(0x400);
    const double before = plant.energyTodayWh();
    EXPECT_EQ(stateAt(plant, 12 * kHour + 600), 2);
    EXPECT_EQ(plant.energyTodayWh(), before);

    plant.setFaultWord(0);
    EXPECT_EQ(stateAt(plant, 12 * kHour + 630), 0);
    EXPECT_EQ(stateAt(plant, 12 * kHour + 700), 1);
}

TEST(PlantModel, ForcedStateOverridesAndClearTotalsZeroesOnlyTotals)
{
    PlantModel plant(PlantConfig{}, 12 * kHour);
    plant.forceState(3);
    EXPECT_EQ(plant.stateCode(), 3);
    plant.forceState(std::nullopt);
    EXPECT_EQ(plant.stateCode(), 1);

    const double today = plant.energyTodayWh();
    plant.clearTotals();
    EXPECT_EQ(plant.energyTotalWh(), 0.0);
    EXPECT_EQ(plant.operatingSecondsTotal(), 0.0);
    EXPECT_EQ(plant.energyTodayWh(), today);
    plant.advanceTo(13 * kHour);
    EXPECT_GT(plant.energyTotalWh(), 2000.0);  // and they grow again from zero
}

} // namespace
} // namespace veltroma::sim
