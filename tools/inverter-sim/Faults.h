#pragma once

#include "Inverter.h"

#include <random>

namespace veltroma::sim {

// Faults injected on request, as a test or a demonstration needs them.
struct FaultSettings {
    bool silent = false;       // cable pulled: every request goes unanswered
    bool badChecksum = false;  // framed replies carry a checksum off by one
    bool garbage = false;      // replies are random bytes of the right length
    bool noMarkers = false;    // DCI blocks lose their 0x6A / 0x4D markers
    int slowMs = 0;            // extra delay before every reply
};

// Spoils a reply as the settings ask (silence and delay are the sender's business). Garbage
// never starts with a reply header or a DCI marker, so it can never pass for a good reply.
void applyFaults(Reply& reply, const FaultSettings& faults, std::mt19937& noise);

} // namespace veltroma::sim
