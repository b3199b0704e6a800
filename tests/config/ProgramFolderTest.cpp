#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "config/ProgramPaths.h"

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

TEST_F(ProgramFolderRule, PreparingCreatesTheMissingFolderAndLeavesNothingBehind)
{
    const QString folder = at("data/veltroma-monitor/");
    EXPECT_EQ(prepareProgramFolder(folder), std::nullopt);
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
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
