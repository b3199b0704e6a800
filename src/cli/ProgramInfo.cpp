#include "cli/ProgramInfo.h"

#include "BuildInfo.h"

namespace veltroma {

QString versionNumber()
{
    return QLatin1String(build::kVersion);
}

QString versionText()
{
    QString text = QStringLiteral("Veltroma monitor %1").arg(versionNumber());
    if (const QLatin1String revision(build::kRevision); !revision.isEmpty())
        text += QStringLiteral(" (revision %1)").arg(revision);
    return text + u'\n';
}

} // namespace veltroma
