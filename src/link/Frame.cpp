#include "link/Frame.h"

#include "link/LinkHealth.h"

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
    // Only what goes on the wire is counted: a port that is not open sends nothing.
    const bool open = link.ChannelOK();
    link.Send_Data(std::span<const std::uint8_t>(tx).first(length));
    if (open)
        countOn(link, LinkEvent::RequestSent);
}

void countOn(ByteLink& link, LinkEvent event)
{
    if (LinkHealth* health = link.health())
        health->count(event);
}

namespace {

enum class ByteVerdict { Continue, RejectHeader, RejectLength, Complete };

// Checks `byte`, just stored at position `count` (1-based, as counted after storing it).
ByteVerdict checkByte(const RxBuffer& buffer, std::uint8_t byte, std::size_t count,
                      std::size_t& endPosition)
{
    switch (count) {
    case 1:
    case 2:
        return byte == kReplyHeader ? ByteVerdict::Continue : ByteVerdict::RejectHeader;
    case 3:
    case 4:
    case 5:
        return ByteVerdict::Continue;
    case 6:
        return byte == 0x00 ? ByteVerdict::Continue : ByteVerdict::RejectHeader;
    case 7:
        return byte <= 0x02 ? ByteVerdict::Continue : ByteVerdict::RejectHeader;
    case 8:
        return byte >= 0x80 ? ByteVerdict::Continue : ByteVerdict::RejectHeader;
    case 9:
        // A length the reply buffer cannot hold ends the receive here, before any byte
        // could be stored past the buffer.
        if (byte > kMaxReplyData)
            return ByteVerdict::RejectLength;
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

// Some half-duplex adapters hand back what we send. A copy of the request just sent, byte
// for byte, ahead of the reply is no reply: it is recognised and skipped. A reply can never
// be taken for it, because a reply starts with 0xAA and a request never does.
class EchoFilter {
public:
    explicit EchoFilter(std::vector<std::uint8_t> request) : request_(std::move(request)) {}

    enum class Verdict { NotEcho, Inside, Skipped };

    // Called only for bytes that arrive before the reply's first byte.
    Verdict take(std::uint8_t byte)
    {
        if (matched_ >= request_.size() || request_[matched_] != byte
            || (matched_ == 0 && byte == kReplyHeader))
            return Verdict::NotEcho;
        ++matched_;
        return matched_ == request_.size() ? Verdict::Skipped : Verdict::Inside;
    }
    [[nodiscard]] bool inside() const { return matched_ > 0 && matched_ < request_.size(); }

private:
    std::vector<std::uint8_t> request_;
    std::size_t matched_ = 0;
};

} // namespace

int RecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer, int firstByteTimeoutMs)
{
    return receiveReply(link, clock, buffer, firstByteTimeoutMs).length;
}

Received receiveReply(ByteLink& link, Clock& clock, RxBuffer& buffer, int firstByteTimeoutMs)
{
    constexpr Received kRejected{0, ReceiveOutcome::Rejected};
    std::int64_t lastEvent = clock.nowMs();
    std::int64_t allowedSilence = firstByteTimeoutMs;
    // However the line babbles, the receive ends by then: no worker and no shutdown waits on
    // a line that never stops sending.
    std::int64_t deadline = lastEvent + firstByteTimeoutMs + kLongestReplyMs;
    std::size_t count = 0;
    std::size_t endPosition = 0;
    bool checksumFailed = false;
    EchoFilter echo(link.lastSent());

    // Silence is measured from the last byte that arrived: bytes already waiting are taken
    // however late this thread comes to read them.
    for (;;) {
        if (lastEvent >= deadline)
            break;
        const int received = link.waitChar(clock, std::min(lastEvent + allowedSilence, deadline));
        if (received < 0)
            break;
        lastEvent = clock.nowMs();
        allowedSilence = kInterByteSilenceMs;
        const auto byte = static_cast<std::uint8_t>(received);
        if (count == 0) {
            switch (echo.take(byte)) {
            case EchoFilter::Verdict::Inside:
                continue;
            case EchoFilter::Verdict::Skipped:
                // The request has now left: the wait for the reply's first byte begins.
                countOn(link, LinkEvent::EchoSkipped);
                allowedSilence = firstByteTimeoutMs;
                deadline = lastEvent + firstByteTimeoutMs + kLongestReplyMs;
                continue;
            case EchoFilter::Verdict::NotEcho:
                if (echo.inside()) {
                    countOn(link, LinkEvent::RejectedHeader);
                    return kRejected;
                }
                break;
            }
        }
        // After a checksum mismatch the reply keeps being read until the silence ends it;
        // bytes beyond the buffer are counted but never stored.
        if (count < buffer.size())
            buffer[count] = byte;
        ++count;
        if (count > buffer.size())
            continue;
        switch (checkByte(buffer, byte, count, endPosition)) {
        case ByteVerdict::RejectHeader:
            countOn(link, LinkEvent::RejectedHeader);
            return kRejected;
        case ByteVerdict::RejectLength:
            countOn(link, LinkEvent::RejectedLength);
            return kRejected;
        case ByteVerdict::Complete:
            countOn(link, LinkEvent::ValidatedReply);
            return {static_cast<int>(count), ReceiveOutcome::Validated};
        case ByteVerdict::Continue:
            checksumFailed = checksumFailed || (endPosition >= kOffsetData && count == endPosition + 2);
            break;
        }
    }
    if (echo.inside()) {
        countOn(link, LinkEvent::RejectedHeader);
        return kRejected;
    }
    // Nothing can be heard on a port that is not open: no timeout to count.
    if (checksumFailed || link.ChannelOK())
        countOn(link, checksumFailed ? LinkEvent::RejectedChecksum : LinkEvent::Timeout);
    // A reply cut short is counted as the timeout it ended in, but it was heard.
    return count > 0 ? kRejected : Received{};
}

int SerialRecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer, int firstByteTimeoutMs)
{
    constexpr std::size_t kRawReplyLength = 10;
    std::int64_t lastEvent = clock.nowMs();
    std::int64_t allowedSilence = firstByteTimeoutMs;
    std::size_t count = 0;

    for (;;) {
        const int received = link.waitChar(clock, lastEvent + allowedSilence);
        if (received < 0)
            break;
        lastEvent = clock.nowMs();
        allowedSilence = kInterByteSilenceMs;
        buffer[count++] = static_cast<std::uint8_t>(received);
        if (count == kRawReplyLength)
            return static_cast<int>(count);
    }
    if (link.ChannelOK())
        countOn(link, LinkEvent::Timeout);
    return 0;
}

} // namespace veltroma
