#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/Frame.h"

#include <atomic>
#include <cstdint>

namespace veltroma {

// The engine's side of the link: the channel, the clock every wait goes through, and the one
// pair of frame buffers that the worker and the registration share. Whoever touches the
// buffers holds the link's lock for the whole exchange.
struct EngineLink {
    EngineLink(ByteLink& byteLink, Clock& engineClock) : link(byteLink), clock(engineClock) {}

    ByteLink& link;
    Clock& clock;
    TxBuffer bTxBuffer{};
    RxBuffer bRxBuffer{};
};

// State that crosses from the user-interface thread to the worker and the watchdog.
struct EngineFlags {
    // Control code of the polls: 0 at start, 1 from the first refresh that finds no
    // registration progress running.
    std::atomic<std::uint8_t> COMM_CMD{0};
    // 1 from the first refresh that finds no registration progress running.
    std::atomic<int> RegistEndFlg{0};
};

} // namespace veltroma
