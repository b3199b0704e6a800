#include "storage/ByteBuffer.h"

#include <bit>

namespace veltroma {

std::optional<double> ByteReader::f64(qsizetype at) const
{
    const auto low = u32(at);
    const auto high = u32(at + 4);
    if (!low || !high)
        return std::nullopt;
    return std::bit_cast<double>(static_cast<std::uint64_t>(*low) |
                                 (static_cast<std::uint64_t>(*high) << 32));
}

} // namespace veltroma
