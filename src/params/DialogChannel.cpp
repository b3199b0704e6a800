#include "params/DialogChannel.h"

#include "channel/Channel.h"

namespace veltroma {

DialogChannel dialogChannel(Channel& channel, Clock& clock)
{
    return {channel, clock, [&channel] { channel.PortInit(0); }};
}

LinkSession::LinkSession(DialogChannel& channel, bool reopen)
    : channel_(channel), lock_(channel.link.linkLock())
{
    if (reopen && channel_.PortInit)
        channel_.PortInit();
}

int LinkSession::exchange(std::span<const std::uint8_t> request, RxBuffer& reply, int pauseMs)
{
    channel_.link.Send_Data(request);
    if (pauseMs > 0)
        channel_.clock.sleepMs(pauseMs);
    return RecvDataBack(channel_.link, channel_.clock, reply, kFirstByteTimeoutMs);
}

int LinkSession::exchangeRaw10(std::span<const std::uint8_t> request, RxBuffer& reply)
{
    channel_.link.Send_Data(request);
    return SerialRecvDataBack(channel_.link, channel_.clock, reply, kFirstByteTimeoutMs);
}

bool LinkSession::write(std::span<const std::uint8_t> request, RxBuffer& reply)
{
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (exchange(request, reply) > 0)
            return true;
    }
    return false;
}

std::size_t BuildRequestTo(TxBuffer& tx, std::uint16_t destination, std::uint8_t control,
                           std::uint8_t function, std::span<const std::uint8_t> data)
{
    const std::size_t length =
        BuildRequest(tx, static_cast<std::uint8_t>(destination & 0xFF), control, function, data);
    tx[kOffsetDestination - 1] = static_cast<std::uint8_t>(destination >> 8);
    const unsigned sum = GetCheckSum(std::span(tx).first(length - 2));
    tx[length - 2] = static_cast<std::uint8_t>((sum >> 8) & 0xFF);
    tx[length - 1] = static_cast<std::uint8_t>(sum & 0xFF);
    return length;
}

} // namespace veltroma
