#include "config/SettingsStartup.h"

#include "config/EmbeddedFiles.h"
#include "config/LanguageSettings.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"

#include <QFileInfo>

namespace veltroma {

namespace {

const QString kSection = QStringLiteral("Setting");
const QString kCommNumKey = QStringLiteral("CommNum");

} // namespace

StartupSettings loadStartupSettings(const QString& programFolder)
{
    setProgramFolder(programFolder);
    const QString settingPath = g_szSettingPath();
    if (!QFileInfo::exists(settingPath))
        MakeResource(kDefaultSettingsFileId, settingPath);

    StartupSettings result;
    const QString commNum = ProfileFile(settingPath).read(kSection, kCommNumKey);
    result.portIsDefault = commNum.isEmpty();
    result.portDescription =
        result.portIsDefault ? QString::fromUtf16(kDefaultPortDescription) : commNum;
    result.language = LoadSet({}, LoadSetMode::Language);
    return result;
}

bool storePortDescription(const QString& description)
{
    return ProfileFile(g_szSettingPath()).write(kSection, kCommNumKey, description);
}

} // namespace veltroma
