#include "cli/ProgramInfo.h"

#include "BuildInfo.h"

namespace veltroma {

QString versionText()
{
    QString text = QStringLiteral("Veltroma monitor %1").arg(QLatin1String(build::kVersion));
    if (const QLatin1String revision(build::kRevision); !revision.isEmpty())
        text += QStringLiteral(" (revision %1)").arg(revision);
    return text + u'\n';
}

} // namespace veltroma
