#include "PlantModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace veltroma::sim {

namespace {

constexpr double kLongestStep = 5.0;          // s of simulated time per integration step
constexpr double kFullOpenVoltage = 420.0;    // V of the string in daylight, unloaded
constexpr double kMppShare = 0.82;            // working voltage as a share of open circuit
constexpr double kEfficiency = 0.96;
constexpr double kLeastFeedW = 20.0;          // below this the inverter disconnects
constexpr double kHeatingAtRated = 28.0;      // K above ambient at rated power
constexpr double kThermalLag = 600.0;         // s

double ambientTemperature(double secondsOfDay)
{
    const double arc = std::sin(std::numbers::pi * (secondsOfDay - 7 * 3600.0) / (14 * 3600.0));
    return 14.0 + 9.0 * std::max(0.0, arc);
}

double jitter(std::mt19937& noise, double amplitude)
{
    return std::uniform_real_distribution<double>(-amplitude, amplitude)(noise);
}

} // namespace

double sunShare(double secondsOfDay)
{
    if (secondsOfDay <= kSunriseSeconds || secondsOfDay >= kSunsetSeconds)
        return 0.0;
    return std::sin(std::numbers::pi * (secondsOfDay - kSunriseSeconds)
                    / (kSunsetSeconds - kSunriseSeconds));
}

PlantModel::PlantModel(const PlantConfig& config, double startSeconds)
    : config_(config)
    , energyTotalWh_(config.energyTotalKWh * 1000.0)
    , operatingTotal_(config.hoursTotal * 3600.0)
{
    // Live through the start day from midnight, so that the day's energy and minutes are
    // what they would be had the inverter been watched since then.
    day_ = static_cast<std::int64_t>(std::floor(startSeconds / kSecondsPerDay));
    now_ = static_cast<double>(day_) * kSecondsPerDay;
    temperature_ = ambientTemperature(0);
    advanceTo(startSeconds);
}

void PlantModel::advanceTo(double seconds)
{
    while (now_ < seconds) {
        const double midnight = static_cast<double>(day_ + 1) * kSecondsPerDay;
        const double until = std::min(seconds, midnight);
        step(std::min(kLongestStep, until - now_));
        if (until - now_ < 1e-6)
            now_ = until;  // no endless crumbs of rounding
        if (now_ == midnight) {
            ++day_;
            energyTodayWh_ = 0;
            operatingToday_ = 0;
        }
    }
}

double PlantModel::secondsOfDay() const
{
    return now_ - static_cast<double>(day_) * kSecondsPerDay;
}

double PlantModel::openCircuitVoltage() const
{
    return kFullOpenVoltage * std::min(1.0, 10.0 * sunShare(secondsOfDay()));
}

double PlantModel::feedPower() const
{
    const double derating = 1.0 - 0.004 * std::max(0.0, temperature_ - 25.0);
    const double power = config_.ratedPowerW * sunShare(secondsOfDay()) * kEfficiency * derating;
    return std::clamp(power, 0.0, config_.ratedPowerW);
}

std::uint8_t PlantModel::stateCode() const
{
    if (forcedState_)
        return *forcedState_;
    if (faultWord_ != 0)
        return static_cast<std::uint8_t>(OperatingState::Fault);
    return static_cast<std::uint8_t>(connected_ ? OperatingState::Normal : OperatingState::Wait);
}

bool PlantModel::feeding() const
{
    return stateCode() == static_cast<std::uint8_t>(OperatingState::Normal);
}

void PlantModel::step(double dt)
{
    if (faultWord_ != 0) {
        connected_ = false;
        startConditionHeld_ = 0;
    } else if (connected_) {
        if (config_.ratedPowerW * sunShare(secondsOfDay()) < kLeastFeedW)
            connected_ = false;
    } else if (openCircuitVoltage() >= config_.startVoltage) {
        startConditionHeld_ += dt;
        if (startConditionHeld_ >= config_.startDelay) {
            connected_ = true;
            startConditionHeld_ = 0;
        }
    } else {
        startConditionHeld_ = 0;
    }

    const double power = feeding() ? feedPower() : 0.0;
    energyTodayWh_ += power * dt / 3600.0;
    energyTotalWh_ += power * dt / 3600.0;
    if (feeding()) {
        operatingToday_ += dt;
        operatingTotal_ += dt;
    }
    const double target = ambientTemperature(secondsOfDay())
        + kHeatingAtRated * power / config_.ratedPowerW;
    temperature_ += (target - temperature_) * (1.0 - std::exp(-dt / kThermalLag));
    now_ += dt;
}

PlantReading PlantModel::reading(std::mt19937& noise) const
{
    PlantReading r;
    const double openVoltage = openCircuitVoltage();
    r.state = stateCode();
    if (feeding()) {
        r.powerW = feedPower() * (1.0 + jitter(noise, 0.005));
        r.pvVoltage = openVoltage * kMppShare - 0.3 * (temperature_ - 25.0);
    } else {
        r.pvVoltage = openVoltage;
    }
    if (r.pvVoltage > 0) {
        r.pvVoltage = std::max(0.0, r.pvVoltage + jitter(noise, 0.5));
        if (r.powerW > 0)
            r.pvCurrent = r.powerW / kEfficiency / r.pvVoltage;
    }
    const double t = secondsOfDay();
    r.gridVoltage = 230.0 + 1.5 * std::sin(2 * std::numbers::pi * t / 5400.0)
        + 2.0 * r.powerW / config_.ratedPowerW + jitter(noise, 0.3);
    r.gridFrequency = 50.0 + 0.015 * std::sin(2 * std::numbers::pi * t / 700.0)
        + jitter(noise, 0.005);
    r.energyTodayKWh = energyTodayWh_ / 1000.0;
    r.energyTotalKWh = energyTotalWh_ / 1000.0;
    r.hoursTotal = operatingTotal_ / 3600.0;
    r.temperatureC = temperature_ + jitter(noise, 0.1);
    r.faultWord = faultWord_;
    return r;
}

void PlantModel::setStartCondition(double volts, double delaySeconds)
{
    config_.startVoltage = volts;
    config_.startDelay = delaySeconds;
}

void PlantModel::setFaultWord(std::uint32_t word)
{
    faultWord_ = word;
}

void PlantModel::forceState(std::optional<std::uint8_t> state)
{
    forcedState_ = state;
}

void PlantModel::clearTotals()
{
    energyTotalWh_ = 0;
    operatingTotal_ = 0;
}

} // namespace veltroma::sim
