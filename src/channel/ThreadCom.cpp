#include "channel/ThreadCom.h"

#include <array>

namespace veltroma {

thread_com::~thread_com()
{
    close();
}

int thread_com::waitChar(Clock& clock, std::int64_t deadlineMs)
{
    for (;;) {
        if (const int byte = m_ring.take(); byte >= 0)
            return byte;
        const auto left = deadlineMs - clock.nowMs();
        if (left <= 0)
            return -1;
        m_ring.waitForBytes(clock, left);
    }
}

void thread_com::on_receive(QSerialPort& port)
{
    // One batch takes everything the ring could hold, so a reply of any length the link
    // accepts reaches the ring as one block.
    std::array<std::uint8_t, RxRing::kSize> block{};
    const int count = read(port, block);
    m_ring.append(std::span(block).first(static_cast<std::size_t>(count)));
}

} // namespace veltroma
