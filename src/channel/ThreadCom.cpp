#include "channel/ThreadCom.h"

#include <array>

namespace veltroma {

thread_com::~thread_com()
{
    close();
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
