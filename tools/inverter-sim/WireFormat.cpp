#include "WireFormat.h"

#include <numeric>

namespace veltroma::sim {

unsigned frameSum(std::span<const std::uint8_t> bytes)
{
    return std::accumulate(bytes.begin(), bytes.end(), 0u);
}

Bytes buildReply(std::uint8_t sourceHigh, std::uint8_t sourceLow, std::uint8_t control,
                 std::uint8_t function, std::span<const std::uint8_t> data)
{
    Bytes frame;
    frame.reserve(kFrameOverhead + data.size());
    frame = {kReplyHeader, kReplyHeader, sourceHigh, sourceLow, 0x00, 0x00, control, function,
             static_cast<std::uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    appendWord(frame, static_cast<std::uint16_t>(frameSum(frame)));
    return frame;
}

void appendWord(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void appendLong(Bytes& out, std::uint32_t value)
{
    appendWord(out, static_cast<std::uint16_t>(value >> 16));
    appendWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
}

std::string hexText(std::span<const std::uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

} // namespace veltroma::sim
