#include "update/UpdateChecker.h"

#include <QCoreApplication>

#include "base/Clock.h"
#include "update/SetupUpdate.h"
#include "update/ShellLauncher.h"

namespace veltroma {

UpdateChecker::UpdateChecker(Prompt& prompt, QString programFolder, UpdateHost host,
                             UpdateTimeouts timeouts)
    : m_prompt(prompt)
    , m_check(prompt, std::move(programFolder), std::move(host), timeouts)
    , m_shellLauncher(std::make_unique<ShellLauncher>())
    , m_launcher(m_shellLauncher.get())
    , m_clock(&steadyClock())
    , m_quit([] { QCoreApplication::exit(0); })
{
}

UpdateChecker::~UpdateChecker() = default;

void UpdateChecker::OnUpdateSoftware(QWidget* parent)
{
    if (m_check.checkForUpdate() != UpdateCheck::Outcome::NewerVersion)
        return;
    SetupUpdate dialog(m_prompt, *m_launcher, *m_clock, m_quit, m_check.programFolder(),
                       m_check.host(), m_check.timeouts(), parent);
    dialog.exec();
}

} // namespace veltroma
