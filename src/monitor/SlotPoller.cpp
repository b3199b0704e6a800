#include "monitor/SlotPoller.h"

#include "monitor/ReplyDecoder.h"
#include "monitor/Watchdog.h"

#include <mutex>

namespace veltroma {

namespace {

constexpr std::int64_t kReplyWaitMs = 500;
constexpr std::size_t kOffsetSourceHigh = 2;
constexpr std::size_t kOffsetSourceLow = 3;

// An inverter names itself as the source of its reply; one that leaves the source at 0 is
// taken as the polled one.
bool fromOtherInverter(const RxBuffer& rx, int slot)
{
    const int source = rx[kOffsetSourceHigh] << 8 | rx[kOffsetSourceLow];
    return source != 0 && source != slot;
}

} // namespace

SlotPoller::SlotPoller(EngineLink& link, const EngineFlags& flags, ReplyDecoder& decoder,
                       Watchdog& watchdog)
    : link_(link), flags_(flags), decoder_(decoder), watchdog_(watchdog)
{
}

bool SlotPoller::poll(int slot, std::uint8_t function)
{
    std::lock_guard lock(link_.link.linkLock());
    return pollLocked(slot, function);
}

bool SlotPoller::pollLocked(int slot, std::uint8_t function)
{
    link_.bTxBuffer.fill(0);
    SendRequest(link_.link, link_.bTxBuffer, static_cast<std::uint8_t>(slot), flags_.COMM_CMD.load(),
                function);
    link_.clock.sleepMs(kReplyWaitMs);
    const int received = RecvDataBack(link_.link, link_.clock, link_.bRxBuffer, kFirstByteTimeoutMs);
    // Only a validated reply is decoded: after a failed exchange the buffer holds an older
    // reply partly overwritten by new bytes, and everything shown stays as it was.
    if (received <= 0)
        return false;
    watchdog_.markAlive();
    if (fromOtherInverter(link_.bRxBuffer, slot)) {
        countOn(link_.link, LinkEvent::LateReply);
        return false;
    }
    decoder_.ProcessRecv(slot, std::span<const std::uint8_t>(link_.bRxBuffer)
                                   .first(static_cast<std::size_t>(received)));
    return true;
}

} // namespace veltroma
