#pragma once

#include <cstddef>

namespace veltroma {

// The nine recorded quantities of an inverter, in the order of the list columns, the plot
// channels of a slot, the slider positions and the record row's columns B..J.
enum class Quantity : int {
    Vpv,
    Vac,
    Fac,
    Pac,
    Etoday,
    Htoday,
    Etotal,
    Htotal,
    Temperature,
};

inline constexpr std::size_t kQuantityCount = 9;

[[nodiscard]] constexpr int index(Quantity q) { return static_cast<int>(q); }

// The fixed text format a quantity is shown and recorded with ("%.1f", "%.2f" or "%.0f").
[[nodiscard]] constexpr const char* format(Quantity q)
{
    switch (q) {
    case Quantity::Fac:
        return "%.2f";
    case Quantity::Pac:
    case Quantity::Htoday:
    case Quantity::Htotal:
        return "%.0f";
    default:
        return "%.1f";
    }
}

// The decimals of that format.
[[nodiscard]] constexpr int decimals(Quantity q)
{
    switch (q) {
    case Quantity::Fac:
        return 2;
    case Quantity::Pac:
    case Quantity::Htoday:
    case Quantity::Htotal:
        return 0;
    default:
        return 1;
    }
}

} // namespace veltroma
