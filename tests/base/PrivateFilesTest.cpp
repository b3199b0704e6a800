#include "base/PrivateFiles.h"

#include "support/FileModes.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

using test::modeOf;
using test::ScopedUmask;
using test::setMode;

// A scratch folder; paths are given relative to it.
class PrivateFilesTest : public ::testing::Test {
protected:
    QString at(const QString& relative) const { return dir.filePath(relative); }

    void writeFile(const QString& relative, int mode)
    {
        QFile file(at(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        setMode(at(relative), mode);
    }

    QTemporaryDir dir;
};

TEST_F(PrivateFilesTest, EveryFolderMadeIsPrivateWhateverTheUmask)
{
    // 0022 is the usual one; 0277 would take the owner's own write and search bits.
    for (const mode_t mask : {mode_t{0022}, mode_t{0277}, mode_t{0}}) {
        SCOPED_TRACE(mask);
        const ScopedUmask umask(mask);
        const QString top = QStringLiteral("u%1").arg(mask, 0, 8);
        ASSERT_EQ(makePrivateFolder(at(top + QStringLiteral("/Data/Inverter1/"))), std::nullopt);
        for (const QString& folder : {top, top + QStringLiteral("/Data"), top + QStringLiteral("/Data/Inverter1")})
            EXPECT_EQ(modeOf(at(folder)), 0700) << folder.toStdString();
    }
}

TEST_F(PrivateFilesTest, AFolderThatExistsIsLeftAsItIsAndAFileInTheWayIsAReason)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    setMode(at(QStringLiteral("shared")), 0750);
    EXPECT_EQ(makePrivateFolder(at(QStringLiteral("shared"))), std::nullopt);
    EXPECT_EQ(modeOf(at(QStringLiteral("shared"))), 0750);

    writeFile(QStringLiteral("a-file"), 0644);
    EXPECT_EQ(makePrivateFolder(at(QStringLiteral("a-file/below"))), QStringLiteral("Not a directory"));
    EXPECT_EQ(makePrivateFolder(at(QStringLiteral("a-file"))), QStringLiteral("Not a directory"));
}

TEST_F(PrivateFilesTest, ASavedFileIsPrivateWhetherNewOrReplacingAReadableOne)
{
    const ScopedUmask umask(0022);
    writeFile(QStringLiteral("old.ini"), 0644);
    for (const QString& name : {QStringLiteral("new.ini"), QStringLiteral("old.ini")}) {
        SCOPED_TRACE(name.toStdString());
        QSaveFile file(at(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_TRUE(makeOpenFilePrivate(file));
        file.write("Password=secret\n");
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(modeOf(at(name)), 0600);
    }
}

TEST_F(PrivateFilesTest, RemovingSharedAccessTightensTheTreeButNeverFollowsALink)
{
    QTemporaryDir outside;
    const QString outsideFile = outside.filePath(QStringLiteral("elsewhere.txt"));
    {
        QFile file(outsideFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    setMode(outsideFile, 0644);
    setMode(outside.path(), 0755);

    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("tree/sub")));
    setMode(at(QStringLiteral("tree")), 0755);
    setMode(at(QStringLiteral("tree/sub")), 0750);
    writeFile(QStringLiteral("tree/sub/month.xls"), 0664);
    writeFile(QStringLiteral("tree/own.txt"), 0600);
    writeFile(QStringLiteral("tree/read-only.txt"), 0444);
    ASSERT_TRUE(QFile::link(outsideFile, at(QStringLiteral("tree/link.txt"))));
    ASSERT_TRUE(QFile::link(outside.path(), at(QStringLiteral("tree/linked-folder"))));

    Tightening found;
    removeSharedAccess(at(QStringLiteral("tree")), true, found);

    EXPECT_EQ(modeOf(at(QStringLiteral("tree"))), 0700);
    EXPECT_EQ(modeOf(at(QStringLiteral("tree/sub"))), 0700);
    EXPECT_EQ(modeOf(at(QStringLiteral("tree/sub/month.xls"))), 0600);
    EXPECT_EQ(modeOf(at(QStringLiteral("tree/own.txt"))), 0600);
    // Only group and others lose: the owner's own choice stays.
    EXPECT_EQ(modeOf(at(QStringLiteral("tree/read-only.txt"))), 0400);
    EXPECT_EQ(modeOf(outsideFile), 0644);
    EXPECT_EQ(modeOf(outside.path()), 0755);
    QStringList tightened = found.tightened;
    tightened.sort();
    EXPECT_EQ(tightened, (QStringList{at(QStringLiteral("tree")), at(QStringLiteral("tree/read-only.txt")),
                                      at(QStringLiteral("tree/sub")), at(QStringLiteral("tree/sub/month.xls"))}));
    EXPECT_TRUE(found.failed.empty());

    // Without `recursive` the path alone; a missing one is no error.
    writeFile(QStringLiteral("tree/sub/again.xls"), 0644);
    setMode(at(QStringLiteral("tree/sub")), 0755);
    Tightening top;
    removeSharedAccess(at(QStringLiteral("tree/sub")), false, top);
    removeSharedAccess(at(QStringLiteral("missing")), true, top);
    EXPECT_EQ(top.tightened, QStringList{at(QStringLiteral("tree/sub"))});
    EXPECT_EQ(modeOf(at(QStringLiteral("tree/sub/again.xls"))), 0644);
    EXPECT_TRUE(top.failed.empty());
}

} // namespace
} // namespace veltroma
