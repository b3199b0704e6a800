#include "monitor/InverterModel.h"

namespace veltroma {

namespace {

using LiveArray = PerSlot<float> InverterValues::*;
using HistoryArray = PerSlot<float> HistoryValues::*;

constexpr std::array<LiveArray, kQuantityCount> kLive{
    &InverterValues::Vpv,    &InverterValues::Vac,    &InverterValues::Fac,
    &InverterValues::Pac,    &InverterValues::Etoday, &InverterValues::Htoday,
    &InverterValues::Etotal, &InverterValues::Htotal, &InverterValues::TemperatureValue,
};

constexpr std::array<HistoryArray, kQuantityCount> kHistory{
    &HistoryValues::Vpv2,    &HistoryValues::Vac2,    &HistoryValues::Fac2,
    &HistoryValues::Pac2,    &HistoryValues::Etoday2, &HistoryValues::Htoday2,
    &HistoryValues::Etotal2, &HistoryValues::Htotal2, &HistoryValues::TemperatureValue2,
};

} // namespace

float& InverterValues::value(Quantity q, int slot)
{
    return (this->*kLive.at(index(q))).at(slot);
}

float InverterValues::value(Quantity q, int slot) const
{
    return (this->*kLive.at(index(q))).at(slot);
}

float InverterValues::sum(Quantity q) const
{
    float total = 0.0F;
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        total += value(q, slot);
    return total;
}

float& HistoryValues::value(Quantity q, int slot)
{
    return (this->*kHistory.at(index(q))).at(slot);
}

float HistoryValues::value(Quantity q, int slot) const
{
    return (this->*kHistory.at(index(q))).at(slot);
}

} // namespace veltroma
