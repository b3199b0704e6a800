#include "update/UpdateCheck.h"

#include "base/Prompt.h"
#include "update/UpdateFiles.h"

namespace veltroma {

UpdateCheck::UpdateCheck(Prompt& prompt, QString programFolder, UpdateHost host,
                         UpdateTimeouts timeouts)
    : m_prompt(prompt)
    , m_programFolder(std::move(programFolder))
    , m_host(std::move(host))
    , m_timeouts(timeouts)
    , m_versionCheck(timeouts)
{
}

UpdateCheck::Outcome UpdateCheck::checkForUpdate()
{
    const QString url = m_host.authority() + QLatin1String(versionServerPath);
    const QString fileName = pathInFolder(m_programFolder, QLatin1String(versionFileName));
    const auto result = m_versionCheck.GetUrl(url, fileName, QLatin1String(currentversion));
    if (!result.fileError.isEmpty()) {
        m_prompt.message(QStringLiteral("The file %1 can not be opened.\n%2")
                             .arg(fileName, result.fileError),
                         {}, PromptButtons::Ok, PromptIcon::Warning);
        return Outcome::Failed;
    }
    if (!result.failure.isEmpty()) {
        m_prompt.message(checkFailedText(result.failure), {}, PromptButtons::Ok, PromptIcon::Warning);
        return Outcome::Failed;
    }
    if (result.newerVersion)
        return Outcome::NewerVersion;
    m_prompt.message(latestVersionText(), {}, PromptButtons::Ok, PromptIcon::Information);
    return Outcome::LatestVersion;
}

QString latestVersionText()
{
    return QStringLiteral("%1%2").arg(QStringLiteral("Veltroma monitor V "),
                                      QLatin1String(currentversion))
        + QStringLiteral("\nThe current software is the latest version ");
}

QString checkFailedText(const QString& reason)
{
    return QStringLiteral("The check for a newer version failed.\n") + reason;
}

} // namespace veltroma
