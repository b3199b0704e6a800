#pragma once

#include "config/InverterSlots.h"

#include <QString>

namespace veltroma {

class ByteLink;

// What giving the inverter of the parameter commands its bus address came to: whether it was
// assigned, and the line that tells the user what happened or what to do.
struct ParameterRegistration {
    bool assigned = false;
    QString message;
};

// The inverter did not answer at `address`: gives it that address as the monitor does. With
// one inverter on the bus (Count 1) every address is cleared and the inverter without one is
// asked for its serial and assigned address 1; with several, the serial kept for slot
// `address` is assigned directly, and nothing else on the bus changes. Takes the link lock.
[[nodiscard]] ParameterRegistration registerForParameters(ByteLink& link,
                                                          const InverterSlots& inverters,
                                                          int address);

} // namespace veltroma
