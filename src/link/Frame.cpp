#include "link/Frame.h"

#include <algorithm>
#include <cassert>
#include <numeric>

namespace veltroma {

unsigned GetCheckSum(std::span<const std::uint8_t> data)
{
    return std::accumulate(data.begin(), data.end(), 0u);
}

std::size_t BuildRequest(TxBuffer& tx, std::uint8_t destination, std::uint8_t control,
                         std::uint8_t function, std::span<const std::uint8_t> data)
{
    assert(data.size() <= kMaxRequestData);
    const auto n = std::min(data.size(), kMaxRequestData);
    tx[0] = kRequestHeader1;
    tx[1] = kRequestHeader2;
    tx[2] = 0x00;
    tx[3] = 0x00;
    tx[4] = 0x00;
    tx[kOffsetDestination] = destination;
    tx[kOffsetControl] = control;
    tx[kOffsetFunction] = function;
    tx[kOffsetLength] = static_cast<std::uint8_t>(n);
    std::copy_n(data.begin(), n, tx.begin() + kOffsetData);
    const unsigned sum = GetCheckSum(std::span(tx).first(kOffsetData + n));
    tx[kOffsetData + n] = static_cast<std::uint8_t>((sum >> 8) & 0xFF);
    tx[kOffsetData + n + 1] = static_cast<std::uint8_t>(sum & 0xFF);
    return n + kFrameOverhead;
}

void SendRequest(ByteLink& link, TxBuffer& tx, std::uint8_t destination, std::uint8_t control,
                 std::uint8_t function, std::span<const std::uint8_t> data)
{
    const auto length = BuildRequest(tx, destination, control, function, data);
    link.Send_Data(std::span<const std::uint8_t>(tx).first(length));
}

namespace {

enum class ByteVerdict { Continue, Reject, Complete };

// Checks `byte`, just stored at position `count` (1-based, as counted after storing it).
ByteVerdict checkByte(const RxBuffer& buffer, std::uint8_t byte, std::size_t count,
                      std::size_t& endPosition)
{
    switch (count) {
    case 1:
    case 2:
        return byte == kReplyHeader ? ByteVerdict::Continue : ByteVerdict::Reject;
    case 3:
    case 4:
    case 5:
        return ByteVerdict::Continue;
    case 6:
        return byte == 0x00 ? ByteVerdict::Continue : ByteVerdict::Reject;
    case 7:
        return byte <= 0x02 ? ByteVerdict::Continue : ByteVerdict::Reject;
    case 8:
        return byte >= 0x80 ? ByteVerdict::Continue : ByteVerdict::Reject;
    case 9:
        // A length the reply buffer cannot hold ends the receive here, before any byte
        // could be stored past the buffer.
        if (byte > kMaxReplyData)
            return ByteVerdict::Reject;
        endPosition = byte + kOffsetData;
        return ByteVerdict::Continue;
    default:
        if (endPosition >= kOffsetData && endPosition + 1 < buffer.size()
            && count == endPosition + 2) {
            const unsigned received = buffer[endPosition] * 256u + buffer[endPosition + 1];
            if (received == GetCheckSum(std::span(buffer).first(endPosition)))
                return ByteVerdict::Complete;
        }
        return ByteVerdict::Continue;
    }
}

} // namespace

int RecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer, int firstByteTimeoutMs)
{
    std::int64_t lastEvent = clock.nowMs();
    std::int64_t allowedSilence = firstByteTimeoutMs;
    std::size_t count = 0;
    std::size_t endPosition = 0;

    while (clock.nowMs() - lastEvent < allowedSilence) {
        const int received = link.ReadChar();
        if (received < 0) {
            clock.sleepMs(1);
            continue;
        }
        lastEvent = clock.nowMs();
        allowedSilence = kInterByteSilenceMs;
        // After a checksum mismatch the reply keeps being read until the silence ends it;
        // bytes beyond the buffer are counted but never stored.
        const auto byte = static_cast<std::uint8_t>(received);
        if (count < buffer.size())
            buffer[count] = byte;
        ++count;
        if (count <= buffer.size()) {
            switch (checkByte(buffer, byte, count, endPosition)) {
            case ByteVerdict::Reject:
                return 0;
            case ByteVerdict::Complete:
                return static_cast<int>(count);
            case ByteVerdict::Continue:
                break;
            }
        }
        clock.sleepMs(1);
    }
    return 0;
}

int SerialRecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer, int firstByteTimeoutMs)
{
    constexpr std::size_t kRawReplyLength = 10;
    std::int64_t lastEvent = clock.nowMs();
    std::int64_t allowedSilence = firstByteTimeoutMs;
    std::size_t count = 0;

    while (clock.nowMs() - lastEvent < allowedSilence) {
        const int received = link.ReadChar();
        if (received < 0) {
            clock.sleepMs(1);
            continue;
        }
        lastEvent = clock.nowMs();
        allowedSilence = kInterByteSilenceMs;
        buffer[count++] = static_cast<std::uint8_t>(received);
        if (count == kRawReplyLength)
            return static_cast<int>(count);
        clock.sleepMs(1);
    }
    return 0;
}

} // namespace veltroma
