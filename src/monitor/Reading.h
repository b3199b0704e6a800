#pragma once

#include "monitor/Quantity.h"
#include "monitor/RecordPaths.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace veltroma {

// One validated realtime reply of one inverter, as the decoder understood it: every text the
// program shows, records, prints or publishes for that reply is derived from this value, so
// nothing ever parses a formatted text back into a number or a time.
struct Reading {
    // The moment the reply was processed, as an offset from UTC: unambiguous also in the hour
    // the clocks go back.
    QDateTime instant;
    int slot = 0;
    // The nine quantities by Quantity; a field the reply did not carry holds the value the
    // slot had before.
    std::array<float, kQuantityCount> values{};
    // Which of them this reply carried, by Quantity; the minutes of the day never come with
    // the realtime block.
    std::array<bool, kQuantityCount> carried{};
    // The inverter's state byte (0 wait, 1 normal, 2 and 3 fault) and its 32-bit fault word.
    int stateCode = 0;
    std::uint32_t faultWord = 0;
    // "Wait", "Normal" or the fault text in the language of the program; none for a state
    // code the program does not know.
    std::optional<QString> stateText;
    // The inverter as the registration and the information block named it.
    QString serial;
    QString model;
    QString firmware;
    // The month file, day sheet and row time the reply belongs to.
    RecordPaths paths;

    [[nodiscard]] float value(Quantity q) const { return values[static_cast<std::size_t>(index(q))]; }
    [[nodiscard]] bool carries(Quantity q) const { return carried[static_cast<std::size_t>(index(q))]; }
    // A quantity in its fixed display and record format ("340.0", "50.00", "1500").
    [[nodiscard]] QString text(Quantity q) const;
    // The same value as a number, rounded as that text shows it (230.1, not 230.100006).
    [[nodiscard]] double shown(Quantity q) const;
    bool operator==(const Reading&) const = default;
};

// The record row of a reading: the time of day, the nine quantities and, when known, the
// state text.
[[nodiscard]] QStringList recordRow(const Reading& reading);

// The state code as automations, the web view and the metrics name it: "waiting", "normal" or
// "fault"; none for a code the program does not know.
[[nodiscard]] std::optional<QString> statusName(int stateCode);

// The instant in ISO 8601 with its offset, e.g. "2026-10-25T02:30:00+01:00".
[[nodiscard]] QString isoInstant(const Reading& reading);

} // namespace veltroma
