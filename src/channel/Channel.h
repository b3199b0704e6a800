#pragma once

#include "base/Clock.h"
#include "base/Prompt.h"
#include "channel/ThreadCom.h"
#include "link/ByteLink.h"
#include "link/LinkHealth.h"

#include <QString>

#include <mutex>
#include <vector>

namespace veltroma {

// The one channel of the program: the serial port behind the four operations every party
// uses to talk to the inverter, the port description, the link lock and the link's counters.
// A port that is lost, or could not be opened, is opened again by itself with a growing
// pause (1 s doubling to 30 s); meanwhile ChannelOK() is false and the fault is in the
// counters' last error and on the log, never in a message box.
class Channel final : public ByteLink {
public:
    Channel(Clock& clock, Prompt& prompt);
    // The port's thread reports to the counters: it ends before they go.
    ~Channel() override { m_Port.close(); }

    // (Re)opens the port from COMM_CFG; on failure tells the user why, once, and keeps
    // trying in the background. The argument is unused; callers pass 0. Runs on the UI
    // thread only.
    void PortInit(int /*reserved*/ = 0);

    void Send_Data(std::span<const std::uint8_t> data) override;
    int ReadChar() override { return m_Port.COM_ReadChar(); }
    int waitChar(Clock& clock, std::int64_t deadlineMs) override
    {
        return m_Port.waitChar(clock, deadlineMs);
    }
    [[nodiscard]] std::vector<std::uint8_t> lastSent() const override;
    [[nodiscard]] bool ChannelOK() const override { return m_Port.is_open(); }
    std::mutex& linkLock() override { return m_linkLock; }
    LinkHealth* health() override { return &m_health; }

    // The port description, changed by start-up and the settings dialog.
    QString COMM_CFG = QStringLiteral("COM1,9600,8,N,1");
    thread_com m_Port;

private:
    void reportFault(const QString& text);

    Prompt& m_prompt;
    std::mutex m_linkLock;
    LinkHealth m_health;
    mutable std::mutex m_sentMutex;
    std::vector<std::uint8_t> m_lastSent;
};

} // namespace veltroma
