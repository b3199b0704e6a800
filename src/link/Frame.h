#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/LinkHealth.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace veltroma {

// Frame layout (all multi-byte values big-endian):
//   0..1 header (request 0x43 0x5A, reply 0xAA 0xAA), 2..3 source, 4..5 destination,
//   6 control code, 7 function code, 8 data length N, 9..8+N data, 9+N..10+N checksum.
inline constexpr std::size_t kFrameOverhead = 11;
inline constexpr std::size_t kTxBufferSize = 30;
inline constexpr std::size_t kRxBufferSize = 180;
inline constexpr std::size_t kMaxRequestData = kTxBufferSize - kFrameOverhead;  // 19
inline constexpr std::size_t kMaxReplyData = kRxBufferSize - kFrameOverhead;    // 169

inline constexpr std::uint8_t kRequestHeader1 = 0x43;
inline constexpr std::uint8_t kRequestHeader2 = 0x5A;
inline constexpr std::uint8_t kReplyHeader = 0xAA;

inline constexpr std::size_t kOffsetDestination = 5;
inline constexpr std::size_t kOffsetControl = 6;
inline constexpr std::size_t kOffsetFunction = 7;
inline constexpr std::size_t kOffsetLength = 8;
inline constexpr std::size_t kOffsetData = 9;

// The monitoring engine's first-byte timeout, everywhere.
inline constexpr int kFirstByteTimeoutMs = 1500;
// From the first byte on, this much silence ends a reply.
inline constexpr int kInterByteSilenceMs = 50;
// The time the largest reply (the whole receive buffer) takes on the line at 9600 baud, ten
// bits a byte: a receive ends at the latest this long after its first-byte timeout.
inline constexpr int kLongestReplyMs = (int(kRxBufferSize) * 10 * 1000 + 9599) / 9600;

using TxBuffer = std::array<std::uint8_t, kTxBufferSize>;  // bTxBuffer
using RxBuffer = std::array<std::uint8_t, kRxBufferSize>;  // bRxBuffer

// The 16-bit additive checksum: the plain sum of the bytes, each taken as 0..255.
[[nodiscard]] unsigned GetCheckSum(std::span<const std::uint8_t> data);

// Fills `tx` with a request frame and returns its length N + 11. Bytes of `tx` beyond the
// frame keep what an earlier request left there. `data` holds at most 19 bytes.
std::size_t BuildRequest(TxBuffer& tx, std::uint8_t destination, std::uint8_t control,
                         std::uint8_t function, std::span<const std::uint8_t> data = {});

// Counts `event` on the link's counters, if it keeps any. The functions here count every
// request they send and every outcome of a receive, so their callers count none of these.
void countOn(ByteLink& link, LinkEvent event);

// Builds the request in `tx` and hands its N + 11 bytes to the link.
void SendRequest(ByteLink& link, TxBuffer& tx, std::uint8_t destination, std::uint8_t control,
                 std::uint8_t function, std::span<const std::uint8_t> data = {});

// Receives and validates one reply into `buffer`, byte by byte: returns N + 11 for a complete
// frame with a matching checksum, 0 for a rejected or missing reply. A length byte above 169
// is rejected at once, so nothing is ever stored past the buffer. An adapter's echo of the
// request just sent, arriving first, is skipped; the wait for the reply starts after it.
[[nodiscard]] int RecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer,
                               int firstByteTimeoutMs = kFirstByteTimeoutMs);

// How a receive ended.
enum class ReceiveOutcome {
    Validated,    // a complete frame with a matching checksum
    NothingHeard, // no byte of a reply came (an adapter's echo of the request does not count)
    // Bytes came but made no valid frame: a bad header, length or checksum, or a reply cut
    // short. On a bus this is what two inverters answering at once sound like.
    Rejected,
};

struct Received {
    int length = 0; // N + 11 when validated, else 0
    ReceiveOutcome outcome = ReceiveOutcome::NothingHeard;
};

// RecvDataBack, telling also whether anything was heard.
[[nodiscard]] Received receiveReply(ByteLink& link, Clock& clock, RxBuffer& buffer,
                                    int firstByteTimeoutMs = kFirstByteTimeoutMs);

// The raw receiver: stores the first 10 bytes that arrive, unchecked, with the same two
// timeouts; returns 10, or 0 on a timeout.
[[nodiscard]] int SerialRecvDataBack(ByteLink& link, Clock& clock, RxBuffer& buffer,
                                     int firstByteTimeoutMs = kFirstByteTimeoutMs);

} // namespace veltroma
