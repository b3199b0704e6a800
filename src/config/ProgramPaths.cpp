#include "config/ProgramPaths.h"

#include "base/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <array>
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

// The folder an installation puts the executable in, below its prefix.
constexpr char installedBinFolder[] = "bin";
constexpr char programDataFolder[] = "veltroma-monitor";

// What the program keeps in its folder and tightens at start: setting.ini alone, the other
// two with everything below them. The folder may be a build tree or hold the executable, so
// nothing else in it is touched.
constexpr char settingFile[] = "setting.ini";
constexpr std::array privateTrees{"Data", "Language"};

// At most this many names in the line that reports a tightening.
constexpr qsizetype kNamesShown = 3;

QString someNames(QStringList names)
{
    const qsizetype more = names.size() - kNamesShown;
    if (more > 0) {
        names.resize(kNamesShown);
        names << QStringLiteral("%1 more").arg(more);
    }
    return names.join(QStringLiteral(", "));
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
    paths().settingPath = cur + QLatin1String(settingFile);
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
    const bool portable = QFileInfo::exists(executableDir.filePath(QLatin1String(settingFile)));
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
    if (const auto reason = makePrivateFolder(folder)) {
        return QStringLiteral("The program folder %1 cannot be created: %2. Name a folder you "
                              "can write with --home DIR.")
            .arg(folder, *reason);
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

std::optional<QString> tightenProgramFolder(const QString& folder)
{
    const QString top = withTrailingSlash(folder);
    Tightening found;
    removeSharedAccess(top, false, found);
    removeSharedAccess(top + QLatin1String(settingFile), false, found);
    for (const char* tree : privateTrees)
        removeSharedAccess(top + QLatin1String(tree), true, found);

    // The line names the folder once, and what is in it by the names below it.
    const auto shortName = [&top](const QString& path) {
        const QString name = path.startsWith(top) ? path.mid(top.size()) : path;
        return name.isEmpty() ? QStringLiteral("the folder itself") : name;
    };
    QStringList parts;
    if (!found.tightened.isEmpty()) {
        QStringList names;
        for (const QString& path : found.tightened)
            names << shortName(path);
        parts << QStringLiteral("Group and other users had access to %1 of the program's files "
                                "and folders in %2 (%3); now only the owner has (files 0600, "
                                "folders 0700).")
                     .arg(found.tightened.size())
                     .arg(top, someNames(names));
    }
    if (!found.failed.empty()) {
        QStringList names;
        for (const auto& refusal : found.failed)
            names << shortName(refusal.path) + QStringLiteral(": ") + refusal.reason;
        parts << QStringLiteral("Group and other users may still have access to these in %1: %2.")
                     .arg(top, someNames(names));
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(u' ');
}

} // namespace veltroma
