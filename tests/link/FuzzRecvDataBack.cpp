// libFuzzer target: any byte stream, with any arrival gaps, through the reply receiver.
#include "link/Frame.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    test::VirtualClock clock{0};
    test::FakeLink link{clock};
    // A request goes out first, so that streams that begin with (part of) its echo are
    // tried as well.
    TxBuffer tx{};
    SendRequest(link, tx, 0x01, 0x01, 0x02);
    // Even bytes are payload, odd bytes the gap before it (0..63 ms).
    std::int64_t at = clock.nowMs();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        at += data[i + 1] & 0x3F;
        const std::uint8_t byte = data[i];
        link.arrive(at, std::span(&byte, 1));
    }
    RxBuffer buffer{};
    const int n = RecvDataBack(link, clock, buffer, kFirstByteTimeoutMs);
    if (n != 0) {
        // An accepted frame is whole and carries its own correct checksum.
        const std::size_t length = static_cast<std::size_t>(n);
        if (length < kFrameOverhead || length > kRxBufferSize || buffer[8] + kFrameOverhead != length
            || GetCheckSum(std::span(buffer).first(length - 2))
                != buffer[length - 2] * 256u + buffer[length - 1])
            std::abort();
    }
    return 0;
}
