#pragma once

#include "base/Clock.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace veltroma {

// The link as the protocol sees it: hand over a block to send, take one received byte.
// The application's channel implements it over the serial port; tests use fakes.
class LinkHealth;

class ByteLink {
public:
    virtual ~ByteLink() = default;

    // Hands the block to the port; a request is never split or repeated here.
    virtual void Send_Data(std::span<const std::uint8_t> data) = 0;
    // The next received byte 0..255, or -1 when none is waiting.
    virtual int ReadChar() = 0;
    // True while the port is open.
    [[nodiscard]] virtual bool ChannelOK() const = 0;

    // The next received byte, waiting for one until `clock` reaches `deadlineMs`; -1 when
    // none came. A byte already waiting is returned even past the deadline. This default
    // asks once a millisecond; a link that is told when bytes arrive waits for that instead.
    virtual int waitChar(Clock& clock, std::int64_t deadlineMs)
    {
        for (;;) {
            if (const int byte = ReadChar(); byte >= 0)
                return byte;
            if (clock.nowMs() >= deadlineMs)
                return -1;
            clock.sleepMs(1);
        }
    }

    // The block handed to Send_Data last, so that a receiver can tell an adapter's echo of
    // it from a reply; empty for a link that does not keep it.
    [[nodiscard]] virtual std::vector<std::uint8_t> lastSent() const { return {}; }

    // Held for one whole exchange (send, pause, receive, decode) by every party that talks
    // on the link, so that no two exchanges interleave on the wire or in the byte queue.
    virtual std::mutex& linkLock() = 0;

    // The counters of this link's exchanges, which every party that talks on it keeps up to
    // date; none for a link that keeps no count.
    virtual LinkHealth* health() { return nullptr; }
};

} // namespace veltroma
