#pragma once

#include "base/Clock.h"
#include "base/Prompt.h"
#include "channel/ThreadCom.h"
#include "link/ByteLink.h"

#include <QString>

#include <mutex>

namespace veltroma {

// The one channel of the program: the serial port behind the four operations every party
// uses to talk to the inverter, the port description, and the link lock.
class Channel final : public ByteLink {
public:
    Channel(Clock& clock, Prompt& prompt) : m_Port(clock), m_prompt(prompt) {}

    // (Re)opens the port from COMM_CFG; on failure tells the user and leaves it closed.
    // The argument is unused; callers pass 0. Runs on the UI thread only.
    void PortInit(int /*reserved*/ = 0);

    void Send_Data(std::span<const std::uint8_t> data) override { m_Port.write(data); }
    int ReadChar() override { return m_Port.COM_ReadChar(); }
    [[nodiscard]] bool ChannelOK() const override { return m_Port.is_open(); }
    std::mutex& linkLock() override { return m_linkLock; }

    // The port description, changed by start-up and the settings dialog.
    QString COMM_CFG = QStringLiteral("COM1,9600,8,N,1");
    thread_com m_Port;

private:
    Prompt& m_prompt;
    std::mutex m_linkLock;
};

} // namespace veltroma
