#include "config/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <mutex>
#include <system_error>

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

// The folder an installation puts the executable in, below its prefix.
constexpr char installedBinFolder[] = "bin";
constexpr char programDataFolder[] = "veltroma-monitor";

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

QString chooseProgramFolder(const ProgramFolderInputs& inputs)
{
    const auto finish = [](const QString& folder) { return withTrailingSlash(QDir::cleanPath(folder)); };
    if (!inputs.home.isEmpty())
        return finish(QDir(inputs.home).absolutePath());

    const QDir executableDir(inputs.executableFolder);
    const bool portable = QFileInfo::exists(executableDir.filePath(QStringLiteral("setting.ini")));
    if (portable || executableDir.dirName() != QLatin1String(installedBinFolder))
        return finish(inputs.executableFolder);

    // Relative values are to be ignored, so that the folder never depends on the working
    // directory the program was started from.
    const QString dataHome = QDir::isAbsolutePath(inputs.xdgDataHome)
        ? inputs.xdgDataHome
        : QDir(inputs.userHome).filePath(QStringLiteral(".local/share"));
    return finish(QDir(dataHome).filePath(QLatin1String(programDataFolder)));
}

QString programFolder(const QString& home)
{
    return chooseProgramFolder({.home = home,
                                .executableFolder = executableFolder(),
                                .xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME"),
                                .userHome = QDir::homePath()});
}

std::optional<QString> prepareProgramFolder(const QString& folder)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
    if (error) {
        return QStringLiteral("The program folder %1 cannot be created: %2. Name a folder you "
                              "can write with --home DIR.")
            .arg(folder, QString::fromStdString(error.message()));
    }
    // Permissions alone do not tell (access lists, read-only mounts): try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-test-XXXXXX")));
    if (!probe.open()) {
        return QStringLiteral("The program folder %1 cannot be written: %2. Name a folder you "
                              "can write with --home DIR.")
            .arg(folder, probe.errorString());
    }
    return std::nullopt;
}

} // namespace veltroma
