#include "app/view/StatusTexts.h"

#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

namespace veltroma {

TextLanguage activeTextLanguage()
{
    const QString name =
        ProfileFile(g_szLanguagePath()).read(QStringLiteral("Setting"), QStringLiteral("Language"), QString());
    return name.startsWith(QStringLiteral("中文(简体)")) ? TextLanguage::SimplifiedChinese
                                                          : TextLanguage::English;
}

} // namespace veltroma
