#include "Faults.h"

namespace veltroma::sim {

namespace {
constexpr std::size_t kDciEndAt = 16;
}

void applyFaults(Reply& reply, const FaultSettings& faults, std::mt19937& noise)
{
    if (reply.bytes.empty())
        return;
    if (faults.garbage) {
        std::uniform_int_distribution<int> anyByte(0, 255);
        for (std::uint8_t& byte : reply.bytes)
            byte = static_cast<std::uint8_t>(anyByte(noise));
        while (reply.bytes[0] == kReplyHeader || reply.bytes[0] == 0x6A)
            reply.bytes[0] = static_cast<std::uint8_t>(anyByte(noise));
        reply.kind += "(garbage)";
        return;
    }
    if (faults.badChecksum && reply.framed) {
        const std::size_t at = reply.bytes.size() - 2;
        const unsigned wrong = (reply.bytes[at] * 256u + reply.bytes[at + 1] + 1) & 0xFFFF;
        reply.bytes[at] = static_cast<std::uint8_t>(wrong >> 8);
        reply.bytes[at + 1] = static_cast<std::uint8_t>(wrong & 0xFF);
        reply.kind += "(bad-checksum)";
    }
    if (faults.noMarkers && reply.dciMarkers && reply.bytes.size() > kDciEndAt) {
        reply.bytes.front() = 0x00;
        reply.bytes[kDciEndAt] = 0x00;
        reply.kind += "(no-markers)";
    }
}

} // namespace veltroma::sim
