#include "config/Strings.h"

#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

namespace veltroma {

QString g_LoadString(const QString& key)
{
    // No cache: a language chosen a moment ago must show in the very next text.
    QString text = ProfileFile(g_szLanguagePath())
                       .read(QStringLiteral("String"), key, QStringLiteral("Not found"));
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return text;
}

} // namespace veltroma
