#include "publish/CounterGuard.h"

#include "monitor/Reading.h"

#include <cmath>

namespace veltroma {

namespace {

// The value as published, when this reply carried it and it is a finite number.
std::optional<double> carriedValue(const Reading& reading, Quantity q)
{
    if (!reading.carries(q))
        return std::nullopt;
    const double value = reading.shown(q);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

CounterValues CounterGuard::pass(const Reading& reading)
{
    CounterValues values;
    if (const auto today = carriedValue(reading, Quantity::Etoday); today && *today >= 0.0)
        values.energyToday = today;
    values.energyTotal = passTotal(reading, Quantity::Etotal, lastEnergyTotal_);
    values.hoursTotal = passTotal(reading, Quantity::Htotal, lastHoursTotal_);
    return values;
}

std::optional<double> CounterGuard::passTotal(const Reading& reading, Quantity quantity,
                                              std::optional<double>& last)
{
    const auto total = carriedValue(reading, quantity);
    if (!total)
        return std::nullopt;
    if (last && *total < *last) {
        ++withheld_;
        return std::nullopt;
    }
    if (*total <= 0.0)
        return std::nullopt;
    last = total;
    return total;
}

} // namespace veltroma
