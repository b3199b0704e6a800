#include "EnglishLanguage.h"

#include "config/EmbeddedFiles.h"
#include "config/ProgramPaths.h"

namespace veltroma::test {

namespace {
constexpr int kEnglishFileId = 62;
}

EnglishLanguage::EnglishLanguage()
{
    const QString path = dir_.filePath(QStringLiteral("english.ini"));
    if (MakeResource(kEnglishFileId, path))
        setLanguagePath(path);
}

EnglishLanguage::~EnglishLanguage()
{
    setLanguagePath({});
}

} // namespace veltroma::test
