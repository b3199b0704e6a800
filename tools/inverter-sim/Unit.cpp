#include "Unit.h"

namespace veltroma::sim {

namespace {

constexpr double kUnitOneRatedPowerW = 3000.0;
constexpr double kRatedPowerStepW = 1000.0;

PlantConfig withStartCondition(PlantConfig plant, const InverterConfig& inverter)
{
    // The plant starts from the settings block's start voltage (0.1 V) and delay (s).
    plant.startVoltage = inverter.parameters.words[0] / 10.0;
    plant.startDelay = inverter.parameters.words[1];
    return plant;
}

} // namespace

UnitConfig defaultUnitConfig(std::size_t number)
{
    UnitConfig config;
    const auto step = static_cast<std::uint8_t>(number - 1);
    config.inverter.serial[kSerialLength - 1] = static_cast<std::uint8_t>('3' + step);
    config.plant.ratedPowerW = kUnitOneRatedPowerW + kRatedPowerStepW * step;
    return config;
}

Unit::Unit(std::size_t number, const UnitConfig& config, unsigned seed, double startSeconds)
    : number(number)
    , replyDelayMs(config.replyDelayMs)
    , noise(seed)
    , plant(withStartCondition(config.plant, config.inverter), startSeconds)
    , inverter(config.inverter, plant, noise)
{
}

} // namespace veltroma::sim
