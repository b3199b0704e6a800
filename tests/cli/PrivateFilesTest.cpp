#include "ProgramRun.h"

#include "support/FileModes.h"
#include "support/InverterSim.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The month files below `folder`.
QStringList monthFiles(const QString& folder)
{
    QStringList found;
    QDirIterator files(folder, {QStringLiteral("*.xls")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        found << files.next();
    return found;
}

// The headless logger as a shell with the usual umask starts it: everything it makes in a
// fresh program folder, and what it exports, is its user's alone.
TEST(PrivateFiles, TheLoggerUnderTheUsualUmaskKeepsFolderSettingsRecordsAndExportsToItsUser)
{
    const ScopedUmask umask(0022);
    QTemporaryDir scratch;
    const QString home = scratch.filePath(QStringLiteral("fresh/veltroma"));
    const QString settingPath = home + QStringLiteral("/setting.ini");

    // First start: the folder, setting.ini and the language files are made. The default port
    // is no inverter here; the start-up is done once the language taken is written back, and
    // the logger listens for SIGTERM once its session has made the month file.
    {
        ProgramRun run({QStringLiteral("--headless"), QStringLiteral("--home"), home});
        ASSERT_TRUE(run.waitUntil([&] {
            return fileBytes(settingPath).contains("Language=English") && !monthFiles(home).isEmpty();
        })) << run.err().toStdString();
        run.terminate();
        EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
        EXPECT_FALSE(run.err().contains(QStringLiteral("Group and other users"))) << run.err().toStdString();
    }
    EXPECT_EQ(modeOf(scratch.filePath(QStringLiteral("fresh"))), 0700);
    EXPECT_EQ(modeOf(home), 0700);
    EXPECT_EQ(modeOf(settingPath), 0600);
    EXPECT_EQ(modeOf(home + QStringLiteral("/Language")), 0700);
    const QFileInfoList languages = QDir(home + QStringLiteral("/Language")).entryInfoList(QDir::Files);
    EXPECT_EQ(languages.size(), 12);
    for (const QFileInfo& file : languages)
        EXPECT_EQ(modeOf(file.filePath()), 0600) << file.fileName().toStdString();

    // Second start, on the simulated inverter: the recorder makes the month file and saves a
    // row into it.
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    {
        QFile settings(settingPath);
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[Setting]\r\nLanguage=English\r\nCommNum=" + sim.portPath().toUtf8() + ",9600,8,N,1\r\n");
    }
    ProgramRun run({QStringLiteral("--headless"), QStringLiteral("--home"), home});
    ASSERT_TRUE(run.waitUntil([&] { return run.out().contains(u'\n'); })) << run.err().toStdString();
    run.terminate();
    EXPECT_EQ(run.exitCode(), 0) << run.err().toStdString();
    // Nothing it made needed tightening at this start.
    EXPECT_FALSE(run.err().contains(QStringLiteral("Group and other users"))) << run.err().toStdString();

    const QStringList months = monthFiles(home + QStringLiteral("/Data"));
    ASSERT_EQ(months.size(), 1);
    EXPECT_EQ(modeOf(months[0]), 0600);
    for (QString folder = QFileInfo(months[0]).path(); folder != home; folder = QFileInfo(folder).path())
        EXPECT_EQ(modeOf(folder), 0700) << folder.toStdString();
    EXPECT_EQ(modeOf(settingPath), 0600);

    // Its records exported stay as private as the month file.
    const QString csv = scratch.filePath(QStringLiteral("month.csv"));
    ProgramRun exported({QStringLiteral("--export-csv"), months[0], QStringLiteral("--output"), csv});
    ASSERT_EQ(exported.exitCode(), 0) << exported.err().toStdString();
    EXPECT_EQ(modeOf(csv), 0600);
}

} // namespace
} // namespace veltroma::test
