#pragma once

#include "monitor/Quantity.h"

#include <cstdint>
#include <optional>

namespace veltroma {

struct Reading;

// What a state message says of the values Home Assistant adds up; nothing where it says null.
struct CounterValues {
    std::optional<double> energyToday; // kWh
    std::optional<double> energyTotal; // kWh
    std::optional<double> hoursTotal;  // h

    bool operator==(const CounterValues&) const = default;
};

// Keeps the counters of one inverter honest for Home Assistant, which takes a total that
// drops for a meter reset and counts the whole lifetime again, and a negative one for an
// error. A total is published only from a reply that carried it, only above 0, and never
// below the last total published since the program started; energy today only from a reply
// that carried it, and never below 0. Values compare as published (rounded as the record
// shows them). Everything else is null.
//
// Threads: the publisher's.
class CounterGuard {
public:
    // The counters to publish for `reading`, remembering the totals it lets through. Call
    // it only for a state that is published.
    [[nodiscard]] CounterValues pass(const Reading& reading);

    // Totals withheld so far because they lay below the last one published.
    [[nodiscard]] std::uint64_t withheld() const { return withheld_; }

private:
    std::optional<double> passTotal(const Reading& reading, Quantity quantity,
                                    std::optional<double>& last);

    std::optional<double> lastEnergyTotal_;
    std::optional<double> lastHoursTotal_;
    std::uint64_t withheld_ = 0;
};

} // namespace veltroma
