#pragma once

#include "monitor/Quantity.h"

#include <array>

namespace veltroma {

// The plot's Y axis for each quantity the slider can choose: its title key and its span
// from 0.
struct QuantityAxis {
    const char* titleKey;
    double span;
};

inline constexpr std::array<QuantityAxis, kQuantityCount> kQuantityAxes{{
    {"IDC_DCINPUTVOLTAGE", 600},
    {"IDC_ACOUTPUTVOLTAGE", 300},
    {"IDC_ACOUTPUTFREQUENCY", 70},
    {"IDC_OUTPUTPOWER", 6000},
    {"IDC_TODAYENERGY", 80},
    {"IDC_TODAYMINUTES", 1200},
    {"IDC_TOTALENERGY", 5000},
    {"IDC_TOTALHOURS", 1000},
    {"IDC_TEMPERATURE", 150},
}};

// The titles the plot's nine channels are stored with.
inline constexpr std::array<const char*, kQuantityCount> kChannelTitles{
    "DC Voltage",  "AC Voltage",  "frequency",  "AC Power",   "TodayEnergy",
    "TodayMinutes", "TotalEnergy", "TotalHours", "Temperature"};

// The plot channel of quantity `q` of inverter `slot`: nine channels per slot.
[[nodiscard]] constexpr int curveChannel(int slot, int q)
{
    return (slot - 1) * static_cast<int>(kQuantityCount) + q;
}

} // namespace veltroma
