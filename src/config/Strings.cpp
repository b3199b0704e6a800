#include "config/Strings.h"

#include "config/LanguageSettings.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

namespace veltroma {

QString g_LoadString(const QString& key)
{
    // No cache: a language chosen a moment ago must show in the very next text.
    const QString notFound = QStringLiteral("Not found");
    const ProfileFile file(g_szLanguagePath());
    QString text = file.read(QStringLiteral("String"), key, notFound);
    if (text == notFound)
        text = embeddedLanguageText(file.path(), key).value_or(notFound).left(ProfileFile::kDefaultCapacity - 1);
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return text;
}

} // namespace veltroma
