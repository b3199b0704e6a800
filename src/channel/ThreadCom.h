#pragma once

#include "channel/AsynCom.h"

namespace veltroma {

// The program's serial port: every batch the port's thread receives goes into the ring,
// from which the link takes one byte at a time.
class thread_com final : public asyn_com {
public:
    explicit thread_com(Clock& clock) : asyn_com(clock) {}
    // Closes first, so that the port's thread never reaches a half-destroyed receiver.
    ~thread_com() override;

    // The next received byte 0..255, or -1 when the ring is empty.
    [[nodiscard]] int COM_ReadChar() { return m_ring.take(); }
    // The next received byte, waiting until `clock` reaches `deadlineMs` for the receive
    // thread to bring one; -1 when none came. Never polls.
    [[nodiscard]] int waitChar(Clock& clock, std::int64_t deadlineMs);

protected:
    void on_receive(QSerialPort& port) override;
};

} // namespace veltroma
