#include "service/manual/ServiceCommands.h"

#include <algorithm>

namespace veltroma {

namespace {

constexpr std::size_t kSerialReplyLength = 10;
constexpr std::size_t kDciReplyLength = 17;
constexpr std::uint8_t kDciBlockStart = 0x6A;  // "j"
constexpr std::uint8_t kDciBlockEnd = 0x4D;    // "M"
constexpr std::uint8_t kSetSerialEnd = 0x45;   // "E"
constexpr std::size_t kDciReadingAt = 12;
constexpr std::size_t kDciOffsetAt = 14;

constexpr std::array<std::uint8_t, 4> kReadSerial{0x4B, 0x5F, 0x72, 0x53};  // K_rS
constexpr std::array<std::uint8_t, 4> kSetSerial{0x4B, 0x5F, 0x63, 0x53};   // K_cS
constexpr std::array<std::uint8_t, 4> kReadDci{0x4B, 0x5F, 0x70, 0x43};     // K_pC
constexpr std::array<std::uint8_t, 4> kWriteDci{0x4B, 0x5F, 0x44, 0x41};    // K_DA

int bigEndianWord(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return bytes[at] * 256 + bytes[at + 1];
}

} // namespace

std::size_t serviceReplyLength(ServiceLoad load)
{
    switch (load) {
    case ServiceLoad::ReadDci:
    case ServiceLoad::WriteDci:
        return kDciReplyLength;
    case ServiceLoad::ReadSerial:
    case ServiceLoad::SetSerial:
    case ServiceLoad::ReadSerialBack:
        break;
    }
    return kSerialReplyLength;
}

std::size_t BuildServiceCommand(TxBuffer& tx, ServiceLoad load, const ServiceArguments& args)
{
    auto out = tx.begin();
    switch (load) {
    case ServiceLoad::ReadSerial:
    case ServiceLoad::ReadSerialBack:
        out = std::copy(kReadSerial.begin(), kReadSerial.end(), out);
        break;
    case ServiceLoad::SetSerial:
        out = std::copy(kSetSerial.begin(), kSetSerial.end(), out);
        out = std::copy(args.serialNumber.begin(), args.serialNumber.end(), out);
        *out++ = kSetSerialEnd;
        break;
    case ServiceLoad::ReadDci:
        out = std::copy(kReadDci.begin(), kReadDci.end(), out);
        break;
    case ServiceLoad::WriteDci:
        out = std::copy(kWriteDci.begin(), kWriteDci.end(), out);
        *out++ = static_cast<std::uint8_t>(args.dciOffset >> 8);
        *out++ = static_cast<std::uint8_t>(args.dciOffset & 0xFF);
        break;
    }
    return static_cast<std::size_t>(out - tx.begin());
}

std::optional<DciValues> parseDciBlock(std::span<const std::uint8_t> reply)
{
    if (reply.size() < kDciReplyLength || reply[0] != kDciBlockStart
        || reply[kDciReplyLength - 1] != kDciBlockEnd)
        return std::nullopt;
    return DciValues{bigEndianWord(reply, kDciReadingAt), bigEndianWord(reply, kDciOffsetAt)};
}

std::optional<SerialNumberBytes> serialNumberBytes(const QString& text)
{
    if (text.size() != static_cast<qsizetype>(kSerialNumberLength))
        return std::nullopt;
    SerialNumberBytes bytes{};
    for (std::size_t i = 0; i < kSerialNumberLength; ++i) {
        const char16_t c = text[static_cast<qsizetype>(i)].unicode();
        // A character that is no single byte could not go out as typed.
        if (c > 0xFF)
            return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(c);
    }
    return bytes;
}

QString serialNumberText(std::span<const std::uint8_t> bytes)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qsizetype>(bytes.size()));
}

bool isDciOffsetInRange(unsigned offset)
{
    return offset >= kDciOffsetMin && offset <= kDciOffsetMax;
}

int RecvRawReply(ByteLink& link, Clock& clock, std::span<std::uint8_t> out,
                 int firstByteTimeoutMs)
{
    std::int64_t lastEvent = clock.nowMs();
    std::int64_t allowedSilence = firstByteTimeoutMs;
    std::size_t count = 0;

    while (count < out.size() && clock.nowMs() - lastEvent < allowedSilence) {
        const int received = link.ReadChar();
        if (received < 0) {
            clock.sleepMs(1);
            continue;
        }
        lastEvent = clock.nowMs();
        allowedSilence = kInterByteSilenceMs;
        out[count++] = static_cast<std::uint8_t>(received);
    }
    return count == out.size() ? static_cast<int>(count) : 0;
}

} // namespace veltroma
