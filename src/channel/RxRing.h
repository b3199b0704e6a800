#pragma once

#include "base/Clock.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace veltroma {

// The 512-byte receive ring between the port's receive thread and the party that holds the
// link. It is empty when both indices are equal, so it holds at most 511 unread bytes.
// Every operation takes a small lock: the receive thread appends while another thread takes
// bytes or empties the ring before a request.
class RxRing {
public:
    static constexpr std::size_t kSize = 512;
    static constexpr std::size_t kCapacity = kSize - 1;

    // Stores as many of `bytes` as there is room for and returns how many. A full ring
    // refuses further bytes instead of overrunning the unread ones.
    std::size_t append(std::span<const std::uint8_t> bytes);
    // The next unread byte 0..255, or -1 when the ring is empty.
    [[nodiscard]] int take();
    // Waits through `clock` until a byte is unread or `ms` have passed, woken by append()
    // rather than asking again and again; true when a byte is unread.
    bool waitForBytes(Clock& clock, std::int64_t ms);
    // Drops every unread byte.
    void reset();
    [[nodiscard]] std::size_t unread() const;

private:
    [[nodiscard]] std::size_t unreadLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::array<std::uint8_t, kSize> rx_buffer{};
    std::size_t inPointer = 0;
    std::size_t outPointer = 0;
};

} // namespace veltroma
