#pragma once

#include "Faults.h"
#include "Inverter.h"
#include "Night.h"
#include "PlantModel.h"

#include <cstddef>
#include <random>

namespace veltroma::sim {

// As many inverters as one bus carries in this simulator.
inline constexpr std::size_t kMostUnits = 6;

// How one inverter on the bus is set up: its identity and settings, its plant and its
// turnaround.
struct UnitConfig {
    InverterConfig inverter;
    PlantConfig plant;
    int replyDelayMs = 5;  // from a request's last byte to the reply's first
};

// The defaults of unit `number` (1 to kMostUnits). Unit 1 is the one inverter the simulator
// has always played; unit k has the serial number VT2400012 followed by the digit 2 + k and
// a plant of 2 + k kW, so every unit differs in both.
[[nodiscard]] UnitConfig defaultUnitConfig(std::size_t number);

// One inverter on the shared line: its device model with its own plant and measurement
// noise, its injected faults and its night. The model holds references into the unit, so a
// unit stays where it was made.
struct Unit {
    Unit(std::size_t number, const UnitConfig& config, unsigned seed, double startSeconds);
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;

    std::size_t number;  // 1 to kMostUnits, as commands (@k) and the log name it
    int replyDelayMs;
    std::mt19937 noise;
    PlantModel plant;
    Inverter inverter;
    FaultSettings faults;
    NightMode night = NightMode::Never;
    bool asleep = false;  // as the simulator last found it
};

} // namespace veltroma::sim
