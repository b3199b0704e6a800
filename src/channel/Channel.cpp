#include "channel/Channel.h"

namespace veltroma {

void Channel::PortInit(int /*reserved*/)
{
    if (m_Port.is_open())
        m_Port.close();
    if (!m_Port.Open(COMM_CFG)) {
        m_prompt.message(QStringLiteral("Initialize %1 fault,Need Check PC COMM Set!").arg(COMM_CFG),
                         {}, PromptButtons::Ok, PromptIcon::Warning);
    }
}

} // namespace veltroma
