#pragma once

#include "monitor/EngineLink.h"

#include <cstdint>

namespace veltroma {

class ReplyDecoder;
class Watchdog;

// One poll of one inverter: the request to its bus address, the wait, the reply validated and
// handed to the decoder under that slot. A valid reply that names another inverter as its
// source is a late one of an earlier poll: it is dropped and counted, never filed under the
// slot that was polled.
class SlotPoller {
public:
    SlotPoller(EngineLink& link, const EngineFlags& flags, ReplyDecoder& decoder, Watchdog& watchdog);

    // Takes the link lock for the exchange; true when a validated reply of `slot` came.
    bool poll(int slot, std::uint8_t function);
    // The same with the link lock already held by the caller.
    bool pollLocked(int slot, std::uint8_t function);

private:
    EngineLink& link_;
    const EngineFlags& flags_;
    ReplyDecoder& decoder_;
    Watchdog& watchdog_;
};

} // namespace veltroma
