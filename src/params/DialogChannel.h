#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/Frame.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

namespace veltroma {

class Channel;

// A write is tried this many times before it counts as unanswered.
inline constexpr int kWriteAttempts = 3;

// What the parameter dialogs need of the program's channel: the link, the clock their waits
// go through, and the re-opening of the port that precedes each of their operations.
struct DialogChannel {
    ByteLink& link;
    Clock& clock;
    // Closes and re-opens the port; tells the user itself when that fails.
    std::function<void()> PortInit;
};

// The program's channel as the dialogs use it.
[[nodiscard]] DialogChannel dialogChannel(Channel& channel, Clock& clock = steadyClock());

// One operation of a parameter dialog on the shared link. It holds the link lock from the
// re-opening of the port to the end of its last reply, so that the monitoring worker never
// closes the port under it, slips a request in between or reads one of its replies.
class LinkSession {
public:
    // Takes the link lock, then re-opens the port when `reopen` is set.
    LinkSession(DialogChannel& channel, bool reopen);

    [[nodiscard]] bool channelOK() const { return channel_.link.ChannelOK(); }

    // Sends `request`, waits `pauseMs`, and receives one reply into `reply` within the
    // first-byte timeout: the reply's length, or 0 when none was accepted.
    int exchange(std::span<const std::uint8_t> request, RxBuffer& reply, int pauseMs = 0);

    // Sends `request` and receives the first ten bytes that come back, unframed (the raw
    // service commands): 10, or 0 on a timeout.
    int exchangeRaw10(std::span<const std::uint8_t> request, RxBuffer& reply);

    // A write: up to three exchanges, until one is answered. True when one was.
    bool write(std::span<const std::uint8_t> request, RxBuffer& reply);

    void sleepMs(std::int64_t ms) { channel_.clock.sleepMs(ms); }

private:
    DialogChannel& channel_;
    std::lock_guard<std::mutex> lock_;
};

// Builds a request to a 16-bit destination address (the display unit answers at 0x7F01,
// an inverter at 0x00 and its bus address): the frame's length.
std::size_t BuildRequestTo(TxBuffer& tx, std::uint16_t destination, std::uint8_t control,
                           std::uint8_t function, std::span<const std::uint8_t> data = {});

} // namespace veltroma
