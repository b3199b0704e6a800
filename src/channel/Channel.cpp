#include "channel/Channel.h"

#include "channel/PortFault.h"

#include <QDebug>

namespace veltroma {

Channel::Channel(Clock& clock, Prompt& prompt) : m_Port(clock), m_prompt(prompt)
{
    m_Port.keepReopening(PortWatcher{
        [this](QSerialPort::SerialPortError error, const QString& text) {
            reportFault(describePortFault(error, m_Port.device(), text)
                        + QStringLiteral("; opening it again by itself"));
        },
        [this](QSerialPort::SerialPortError error, const QString& text) {
            reportFault(describePortFault(error, m_Port.device(), text)
                        + QStringLiteral("; still trying"));
        },
        [this] {
            m_health.count(LinkEvent::Reopen);
            qInfo().noquote() << QStringLiteral("port %1 open again").arg(m_Port.device());
        },
    });
}

void Channel::PortInit(int /*reserved*/)
{
    if (m_Port.is_open())
        m_Port.close();
    if (!m_Port.Open(COMM_CFG)) {
        QString text = QStringLiteral("Initialize %1 fault,Need Check PC COMM Set!").arg(COMM_CFG);
        if (!m_Port.openFailure().isEmpty()) {
            text += u'\n' + m_Port.openFailure();
            m_health.setLastError(m_Port.openFailure(), QDateTime::currentDateTime());
        }
        m_prompt.message(text, {}, PromptButtons::Ok, PromptIcon::Warning);
    }
}

void Channel::Send_Data(std::span<const std::uint8_t> data)
{
    {
        std::lock_guard lock(m_sentMutex);
        m_lastSent.assign(data.begin(), data.end());
    }
    m_Port.write(data);
}

std::vector<std::uint8_t> Channel::lastSent() const
{
    std::lock_guard lock(m_sentMutex);
    return m_lastSent;
}

void Channel::reportFault(const QString& text)
{
    m_health.setLastError(text, QDateTime::currentDateTime());
    qWarning().noquote() << QStringLiteral("port fault: %1").arg(text);
}

} // namespace veltroma
