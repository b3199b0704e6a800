#include "channel/RxRing.h"

namespace veltroma {

std::size_t RxRing::append(std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(m_mutex);
    std::size_t stored = 0;
    for (const auto byte : bytes) {
        if (unreadLocked() == kCapacity)
            break;
        rx_buffer[inPointer] = byte;
        inPointer = (inPointer + 1) % kSize;
        ++stored;
    }
    if (stored > 0)
        m_arrived.notify_all();
    return stored;
}

bool RxRing::waitForBytes(Clock& clock, std::int64_t ms)
{
    std::unique_lock lock(m_mutex);
    return clock.waitFor(m_arrived, lock, ms, [this] { return unreadLocked() > 0; });
}

int RxRing::take()
{
    std::lock_guard lock(m_mutex);
    if (inPointer == outPointer)
        return -1;
    const int byte = rx_buffer[outPointer];
    outPointer = (outPointer + 1) % kSize;
    return byte;
}

void RxRing::reset()
{
    std::lock_guard lock(m_mutex);
    inPointer = 0;
    outPointer = 0;
}

std::size_t RxRing::unread() const
{
    std::lock_guard lock(m_mutex);
    return unreadLocked();
}

std::size_t RxRing::unreadLocked() const
{
    return (inPointer + kSize - outPointer) % kSize;
}

} // namespace veltroma
