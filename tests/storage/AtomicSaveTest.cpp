#include "StorageTestSupport.h"
#include "support/FileContent.h"
#include "support/FileModes.h"

#include "storage/AtomicFile.h"
#include "storage/CSpreadSheet.h"

#include <QDir>

#include <chrono>
#include <random>
#include <thread>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veltroma {
namespace {

using test::contentOf;
using test::recordRow;

class AtomicSave : public test::StorageTest {
protected:
    // Files the writers left beside the month file.
    [[nodiscard]] QStringList leftovers() const
    {
        QStringList names = QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("2011-5.xls"));
        return names;
    }

    // Data rows of day 17, newest first, as column B numbers them.
    [[nodiscard]] std::vector<int> rowsOfDay17(const QString& file) const
    {
        WorkbookStore::shared().clear();
        CSpreadSheet day(file, QStringLiteral("17"), false);
        EXPECT_EQ(day.GetTotalColumns(), 11) << day.GetLastError().toStdString();
        std::vector<int> rows;
        QString cell;
        for (long r = 3; r <= day.GetTotalRows(); ++r) {
            EXPECT_TRUE(day.ReadCell(cell, 2, r));
            rows.push_back(cell.toInt());
        }
        return rows;
    }
};

TEST_F(AtomicSave, AWrittenFileIsItsOwnersAloneWhateverTheUmaskAndTheOldMode)
{
    const test::ScopedUmask umask(0022);
    const QString file = path(QStringLiteral("data.bin"));
    ASSERT_TRUE(replaceFile(file, QByteArray("one")).ok);
    EXPECT_EQ(test::modeOf(file), 0600);

    // A file made readable by others loses that; the owner's own bits stay as chosen.
    for (const int old : {0644, 0640, 0400}) {
        SCOPED_TRACE(old);
        test::setMode(file, old);
        const ReplaceResult result = replaceFile(file, QByteArray("two"));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(contentOf(file), QByteArray("two"));
        EXPECT_EQ(test::modeOf(file), old & 0700);
        EXPECT_EQ(result.stamp.size, 3);
    }
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.bin")});
}

TEST_F(AtomicSave, FullDiskLeavesThePreviousFileWhole)
{
    const QString file = newMonthFile();
    const QByteArray before = contentOf(file);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file size limit fails writes as a full disk does, even for the super-user.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(before.size() + 8192), static_cast<rlim_t>(before.size() + 8192)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CSpreadSheet day(file, QStringLiteral("3"), false);
        day.BeginTransaction();
        for (int n = 0; n < 2000; ++n)
            day.AddRow(recordRow(n), 3);
        const bool committed = day.Commit();
        ::_exit(committed ? 1 : day.GetLastError().contains(QStringLiteral("File too large")) ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(contentOf(file), before);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();

    // The next event records as usual.
    CSpreadSheet day(file, QStringLiteral("3"), false);
    EXPECT_TRUE(day.AddRow(recordRow(1), 3));
}

TEST_F(AtomicSave, ReadOnlyFolderLeavesThePreviousFileWhole)
{
    const QString file = newMonthFile();
    const QByteArray before = contentOf(file);
    const QByteArray folder = QFile::encodeName(m_folder.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    const bool writable = ::access(folder.constData(), W_OK) == 0;
    if (writable) {
        ::chmod(folder.constData(), 0755);
        GTEST_SKIP() << "the super-user writes into read-only folders; the file size limit test covers this";
    }
    CSpreadSheet day(file, QStringLiteral("3"), false);
    EXPECT_FALSE(day.AddRow(recordRow(1), 3));
    EXPECT_TRUE(day.GetLastError().contains(QStringLiteral("Permission denied")));
    ::chmod(folder.constData(), 0755);
    EXPECT_EQ(contentOf(file), before);
    EXPECT_TRUE(day.Commit());
}

TEST_F(AtomicSave, KillDuringSavesNeverBreaksTheFileNorLosesACommittedRow)
{
    const QString file = newMonthFile();
    std::mt19937 random(20110517);
    int inFile = 0;
    int saves = 0;
    for (int round = 0; round < 25; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(VELTROMA_SAVE_LOOP), {file, QStringLiteral("17"), QString::number(inFile)});
        ASSERT_TRUE(writer.waitForStarted());
        std::this_thread::sleep_for(std::chrono::milliseconds(40 + random() % 160));
        writer.kill(); // SIGKILL
        ASSERT_TRUE(writer.waitForFinished());
        const QByteArray err = writer.readAllStandardError();
        ASSERT_TRUE(err.isEmpty()) << err.toStdString();
        const QList<QByteArray> reported = writer.readAllStandardOutput().split('\n');
        int confirmed = inFile - 1; // the last row whose save returned
        for (const QByteArray& line : reported) {
            if (!line.isEmpty())
                confirmed = line.toInt();
        }
        saves += confirmed + 1 - inFile;

        // The file opens, and holds every confirmed row, in order, and at most the one row
        // whose save was done when the kill came before it could be reported.
        const std::vector<int> rows = rowsOfDay17(file);
        ASSERT_GE(static_cast<int>(rows.size()), confirmed + 1) << round;
        ASSERT_LE(static_cast<int>(rows.size()), confirmed + 2) << round;
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(rows[i], static_cast<int>(rows.size() - 1 - i)) << round;
        inFile = static_cast<int>(rows.size());
    }
    EXPECT_GT(saves, 25);

    // The next save clears away what the killed writers left half-written.
    CSpreadSheet day(file, QStringLiteral("17"), false);
    ASSERT_TRUE(day.AddRow(recordRow(inFile), 3));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
    const auto xlrd = test::readWithXlrd(file);
    ASSERT_EQ(xlrd.size(), 32u);
    EXPECT_EQ(xlrd[17].cells.at({2, 1}), QString::number(inFile));
}

} // namespace
} // namespace veltroma
