#include "config/SettingsStartup.h"

#include "config/EmbeddedFiles.h"
#include "config/LanguageSettings.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

#include <QFileInfo>

namespace veltroma {

StartupSettings loadStartupSettings(const QString& programFolder)
{
    setProgramFolder(programFolder);
    const QString settingPath = g_szSettingPath();
    if (!QFileInfo::exists(settingPath))
        MakeResource(kDefaultSettingsFileId, settingPath);

    StartupSettings result;
    const QString commNum =
        ProfileFile(settingPath).read(QStringLiteral("Setting"), QStringLiteral("CommNum"));
    result.portDescription = commNum.isEmpty() ? QString::fromUtf16(kDefaultPortDescription) : commNum;
    result.language = LoadSet({}, LoadSetMode::Language);
    return result;
}

} // namespace veltroma
