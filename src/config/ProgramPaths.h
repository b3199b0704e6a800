#pragma once

#include <QString>

namespace veltroma {

// The program-wide paths. They are set on the UI thread at start-up and when the language
// changes, and read from any thread; every read returns a whole value.

// The program folder, ending with "/": where setting.ini, the Language folder and the Data
// folder live.
QString g_szCurPath();

// g_szCurPath() + "setting.ini".
QString g_szSettingPath();

// The active language file; empty until the language has been resolved.
QString g_szLanguagePath();

// Sets g_szCurPath (a "/" is added when missing) and g_szSettingPath with it.
void setProgramFolder(const QString& folder);

void setLanguagePath(const QString& path);

// The program folder with a trailing "/": `home` when given (the --home option, which may be
// relative to the working directory), else the folder of the running executable, never the
// working directory.
QString programFolder(const QString& home = {});

} // namespace veltroma
