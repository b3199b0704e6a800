#pragma once

#include <cstdint>
#include <optional>
#include <random>

namespace veltroma::sim {

inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kSunriseSeconds = 6 * 3600.0;
inline constexpr double kSunsetSeconds = 19 * 3600.0;

// Operating states as the realtime block carries them.
enum class OperatingState : std::uint8_t { Wait = 0, Normal = 1, Fault = 2 };

struct PlantConfig {
    double ratedPowerW = 3000.0;
    double energyTotalKWh = 12345.6;  // before the first simulated day
    double hoursTotal = 4096.0;
    double startVoltage = 250.0;  // V, the open-circuit voltage that lets the inverter start
    double startDelay = 60.0;     // s that voltage must hold first
};

// What the inverter measures at one moment, with the small noise of real measurements.
struct PlantReading {
    double pvVoltage = 0;
    double pvCurrent = 0;
    double gridVoltage = 0;
    double gridFrequency = 0;
    double powerW = 0;
    double energyTodayKWh = 0;
    double energyTotalKWh = 0;
    double hoursTotal = 0;
    double temperatureC = 0;
    std::uint8_t state = 0;
    std::uint32_t faultWord = 0;
};

// Share of full sun at a time of day (seconds after midnight): 0 at night, a sine arc from
// sunrise (6:00) to sunset (19:00), 1 at its top.
[[nodiscard]] double sunShare(double secondsOfDay);

// A photovoltaic plant and its inverter through simulated days. Simulated time is in
// seconds; day 0 starts at 0. The inverter connects once the panels' open-circuit voltage
// has stayed at the start voltage for the start delay, feeds power that follows the sun,
// and goes back to waiting when the sun no longer carries it. Energy and operating time
// are integrated from the power it feeds; the day's counters restart at midnight and the
// totals only grow.
class PlantModel {
public:
    PlantModel(const PlantConfig& config, double startSeconds);

    // Runs the plant forward; a time before the present one changes nothing.
    void advanceTo(double seconds);
    [[nodiscard]] double now() const { return now_; }

    [[nodiscard]] PlantReading reading(std::mt19937& noise) const;

    // Start voltage (V) and start delay (s), from the grid-protection parameters.
    void setStartCondition(double volts, double delaySeconds);
    // A fault word other than zero stops feeding and reports the fault state.
    void setFaultWord(std::uint32_t word);
    // A forced state code overrides the plant's own state; nullopt returns to it.
    void forceState(std::optional<std::uint8_t> state);
    void clearTotals();

    [[nodiscard]] std::uint8_t stateCode() const;
    [[nodiscard]] double energyTodayWh() const { return energyTodayWh_; }
    [[nodiscard]] double energyTotalWh() const { return energyTotalWh_; }
    [[nodiscard]] double operatingSecondsToday() const { return operatingToday_; }
    [[nodiscard]] double operatingSecondsTotal() const { return operatingTotal_; }
    [[nodiscard]] double temperatureC() const { return temperature_; }

private:
    void step(double dt);
    [[nodiscard]] double secondsOfDay() const;
    [[nodiscard]] bool feeding() const;
    [[nodiscard]] double openCircuitVoltage() const;
    [[nodiscard]] double feedPower() const;

    PlantConfig config_;
    double now_ = 0;
    std::int64_t day_ = 0;
    std::uint32_t faultWord_ = 0;
    std::optional<std::uint8_t> forcedState_;
    bool connected_ = false;
    double startConditionHeld_ = 0;
    double energyTodayWh_ = 0;
    double energyTotalWh_ = 0;
    double operatingToday_ = 0;
    double operatingTotal_ = 0;
    double temperature_ = 0;
};

} // namespace veltroma::sim
