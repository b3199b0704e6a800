#pragma once

#include "monitor/Quantity.h"
#include "monitor/Reading.h"
#include "monitor/RecordPaths.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace veltroma {

// The per-inverter arrays have seven entries, indexed by slot 1..6; entry 0 is not used.
inline constexpr int kSlotEntries = 7;
inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 6;
// The slot of the one inverter when the bus carries one: registered, polled, shown and
// recorded as slot 1.
inline constexpr int bInverterAdrNow = 1;

template <typename T>
using PerSlot = std::array<T, kSlotEntries>;

[[nodiscard]] constexpr bool isSlot(int slot) { return slot >= kFirstSlot && slot <= kLastSlot; }

// The live values decoded from the inverters' replies.
struct InverterValues {
    PerSlot<float> Vpv{};
    PerSlot<float> Vac{};
    PerSlot<float> Fac{};
    PerSlot<float> Pac{};
    PerSlot<float> Etoday{};
    PerSlot<float> Htoday{};
    PerSlot<float> Etotal{};
    PerSlot<float> Htotal{};
    PerSlot<float> TemperatureValue{};
    PerSlot<int> iInverterState{};
    PerSlot<std::uint32_t> dwErrorMessage{};

    [[nodiscard]] float& value(Quantity q, int slot);
    [[nodiscard]] float value(Quantity q, int slot) const;
    // The sum over slots 1..6, as the gauge and the odometers show it.
    [[nodiscard]] float sum(Quantity q) const;
};

// The values of the record row being read back from a record file during history review.
// The decoder never touches them.
struct HistoryValues {
    PerSlot<float> Vpv2{};
    PerSlot<float> Vac2{};
    PerSlot<float> Fac2{};
    PerSlot<float> Pac2{};
    PerSlot<float> Etoday2{};
    PerSlot<float> Htoday2{};
    PerSlot<float> Etotal2{};
    PerSlot<float> Htotal2{};
    PerSlot<float> TemperatureValue2{};

    [[nodiscard]] float& value(Quantity q, int slot);
    [[nodiscard]] float value(Quantity q, int slot) const;
};

// Everything the decoder keeps up to date: written on the worker thread, read whole (as a
// copy taken under the model's lock) by the display refresh and the recording.
struct InverterModel {
    InverterValues values;
    PerSlot<QString> sVer;
    PerSlot<QString> sModelname;
    // Serial number per slot, from a validated registration reply; the record file's cover
    // shows it.
    PerSlot<QString> sSerialNums;
    // Slot of the last information block taken; 0 before the first.
    int bInverterAdrOld = 0;
    // The fault text found last; empty until a fault bit has been seen.
    QString sErrorString;
    // The latest realtime reading of each slot; none before its first reply.
    PerSlot<std::optional<Reading>> readings;
    // The record row of the latest realtime reading: time, nine values, state text.
    QStringList NewRow;
    // The record file, sheet and time computed with the latest reply.
    RecordPaths paths;
    // True once a realtime reply has been decoded: before that there is no row to record.
    bool realtimeDecoded = false;
    // Per slot: a realtime reply of this connection has been decoded and the slot is not lost.
    PerSlot<bool> live{};
    // The slot NewRow and paths belong to, when the model is handed to the recorder.
    int recordSlot = bInverterAdrNow;
};

} // namespace veltroma
