#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "config/ProgramPaths.h"
#include "support/FileModes.h"

namespace veltroma {
namespace {

// A scratch tree with an installation prefix (prefix/bin) and a build tree (build/src/app)
// holding an executable each, and a user's home.
class ProgramFolderRule : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char* folder : {"prefix/bin", "build/src/app", "home"})
            ASSERT_TRUE(QDir(root.path()).mkpath(QString::fromLatin1(folder)));
    }

    QString at(const char* relative) const { return QDir(root.path()).filePath(QString::fromLatin1(relative)); }

    void putSettingsBeside(const char* folder) const
    {
        QFile file(QDir(at(folder)).filePath(QStringLiteral("setting.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QString choose(const char* executableFolder, const QString& xdgDataHome = {},
                   const QString& home = {}) const
    {
        return chooseProgramFolder({.home = home,
                                    .executableFolder = at(executableFolder),
                                    .xdgDataHome = xdgDataHome,
                                    .userHome = at("home")});
    }

    QTemporaryDir root;
};

TEST_F(ProgramFolderRule, BuildTreeAndPortableCopiesKeepTheExecutablesFolder)
{
    EXPECT_EQ(choose("build/src/app"), at("build/src/app") + u'/');

    putSettingsBeside("prefix/bin");
    EXPECT_EQ(choose("prefix/bin", at("data")), at("prefix/bin") + u'/');
}

TEST_F(ProgramFolderRule, InstalledProgramUsesThePerUserDataFolder)
{
    EXPECT_EQ(choose("prefix/bin", at("data")), at("data/veltroma-monitor/"));

    // Unset, or relative and so to be ignored: the default under the home folder.
    for (const QString& unusable : {QString(), QStringLiteral("relative/data")}) {
        SCOPED_TRACE(unusable.toStdString());
        EXPECT_EQ(choose("prefix/bin", unusable), at("home/.local/share/veltroma-monitor/"));
    }
}

TEST_F(ProgramFolderRule, HomeOptionOverridesBothCases)
{
    putSettingsBeside("build/src/app");
    EXPECT_EQ(choose("build/src/app", {}, at("mine")), at("mine/"));
    EXPECT_EQ(choose("prefix/bin", at("data"), at("mine/./sub/..")), at("mine/"));
}

TEST_F(ProgramFolderRule, PreparingCreatesTheMissingFolderPrivateAndLeavesNothingBehind)
{
    const test::ScopedUmask umask(0022);
    const QString folder = at("data/veltroma-monitor/");
    EXPECT_EQ(prepareProgramFolder(folder), std::nullopt);
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(test::modeOf(at("data/veltroma-monitor")), 0700);
    EXPECT_EQ(tightenProgramFolder(folder), std::nullopt);
}

TEST_F(ProgramFolderRule, StartTightensTheProgramsOwnFilesOnceAndSaysWhat)
{
    // A folder an earlier version left readable by everyone, inside a build tree: the
    // executable and the build's other files are none of the start's business.
    const QString folder = at("build/src/app/");
    const auto file = [&](const char* name, int mode) {
        QFile f(folder + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        test::setMode(f.fileName(), mode);
    };
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("Data/Inverter1")));
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("Language")));
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("Help")));
    for (const char* sub : {"", "Data", "Data/Inverter1", "Language", "Help"})
        test::setMode(folder + QLatin1String(sub), 0755);
    file("setting.ini", 0644);
    file("Data/Inverter1/2026-5.xls", 0644);
    file("Data/Inverter1/parameters-20260507-101500.txt", 0640);
    file("Language/English.ini", 0600);
    file("veltroma-monitor", 0755);
    file("Help/MarovikHlp.chm", 0644);

    const auto note = tightenProgramFolder(folder);

    ASSERT_TRUE(note.has_value());
    EXPECT_TRUE(note->startsWith(QStringLiteral("Group and other users had access to 7 of the program's files and folders in %1 (").arg(folder)))
        << note->toStdString();
    EXPECT_TRUE(note->contains(QStringLiteral("setting.ini"))) << note->toStdString();
    EXPECT_TRUE(note->contains(QStringLiteral("4 more"))) << note->toStdString();
    EXPECT_FALSE(note->contains(u'\n'));
    for (const char* path : {"", "Data", "Data/Inverter1", "Language"})
        EXPECT_EQ(test::modeOf(folder + QLatin1String(path)), 0700) << path;
    for (const char* path : {"setting.ini", "Data/Inverter1/2026-5.xls", "Data/Inverter1/parameters-20260507-101500.txt",
                             "Language/English.ini"})
        EXPECT_EQ(test::modeOf(folder + QLatin1String(path)), 0600) << path;
    EXPECT_EQ(test::modeOf(folder + QStringLiteral("veltroma-monitor")), 0755);
    EXPECT_EQ(test::modeOf(folder + QStringLiteral("Help")), 0755);
    EXPECT_EQ(test::modeOf(folder + QStringLiteral("Help/MarovikHlp.chm")), 0644);

    // Said once: the next start finds nothing to say.
    EXPECT_EQ(tightenProgramFolder(folder), std::nullopt);
}

TEST_F(ProgramFolderRule, AFolderThatCannotBeMadeIsReportedWithItsReason)
{
    // Root may write anywhere; a file where a folder should be stops everyone.
    {
        QFile blocker(at("blocked"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    for (const char* folder : {"blocked", "blocked/veltroma-monitor"}) {
        SCOPED_TRACE(folder);
        const auto problem = prepareProgramFolder(at(folder));
        ASSERT_TRUE(problem.has_value());
        EXPECT_TRUE(problem->contains(at(folder))) << problem->toStdString();
        EXPECT_TRUE(problem->contains(QStringLiteral("--home"))) << problem->toStdString();
    }
}

} // namespace
} // namespace veltroma
