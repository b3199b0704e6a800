#include "config/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

namespace veltroma {
namespace {

struct Paths {
    std::mutex mutex;
    QString curPath;
    QString settingPath;
    QString languagePath;
};

Paths& paths()
{
    static Paths instance;
    return instance;
}

QString withTrailingSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Before the application object exists (or in tools that have none) the kernel knows.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

} // namespace

QString g_szCurPath()
{
    std::lock_guard lock(paths().mutex);
    return paths().curPath;
}

QString g_szSettingPath()
{
    std::lock_guard lock(paths().mutex);
    return paths().settingPath;
}

QString g_szLanguagePath()
{
    std::lock_guard lock(paths().mutex);
    return paths().languagePath;
}

void setProgramFolder(const QString& folder)
{
    const QString cur = withTrailingSlash(folder);
    std::lock_guard lock(paths().mutex);
    paths().curPath = cur;
    paths().settingPath = cur + QStringLiteral("setting.ini");
}

void setLanguagePath(const QString& path)
{
    std::lock_guard lock(paths().mutex);
    paths().languagePath = path;
}

QString programFolder(const QString& home)
{
    const QString folder = home.isEmpty() ? executableFolder() : QDir(home).absolutePath();
    return withTrailingSlash(QDir::cleanPath(folder));
}

} // namespace veltroma
