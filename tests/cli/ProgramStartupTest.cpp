#include "cli/ProgramStartup.h"

#include "base/Clock.h"
#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "support/FileModes.h"
#include "support/ScriptedPrompt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

// A temporary folder for program folders, and a channel whose scripted prompt records what
// the channel tells the user.
class ProgramStartupTest : public ::testing::Test {
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
    test::ScriptedPrompt prompt;
    Channel channel{steadyClock(), prompt};
};

TEST_F(ProgramStartupTest, AFolderThatCannotBeMadeIsRefusedWithItsNameAndNothingElseIsDone)
{
    const QString before = g_szCurPath();
    const QString home = writeFile(QStringLiteral("a-file"), "x") + QStringLiteral("/veltroma");

    const ProgramStart start = startProgram(home, &channel);

    ASSERT_TRUE(start.failure.has_value());
    EXPECT_TRUE(start.failure->startsWith(QStringLiteral("The program folder %1/ cannot be created: ").arg(home)))
        << start.failure->toStdString();
    EXPECT_TRUE(start.failure->endsWith(QStringLiteral("Name a folder you can write with --home DIR.")));
    // Neither the settings nor the port were touched.
    EXPECT_EQ(g_szCurPath(), before);
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_FALSE(channel.ChannelOK());
}

TEST_F(ProgramStartupTest, APortThatDoesNotOpenIsToldByTheChannelAndTheStartGoesOn)
{
    const QString missing = dir.filePath(QStringLiteral("no-such-port")) + QStringLiteral(",9600,8,N,1");
    QDir(dir.path()).mkdir(QStringLiteral("home"));
    writeFile(QStringLiteral("home/setting.ini"), "[Setting]\r\nCommNum=" + missing.toUtf8() + "\r\n");

    const ProgramStart start = startProgram(dir.filePath(QStringLiteral("home")), &channel);

    EXPECT_FALSE(start.failure.has_value());
    EXPECT_EQ(g_szCurPath(), start.folder);
    EXPECT_EQ(start.settings.portDescription, missing);
    EXPECT_FALSE(channel.ChannelOK());
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts()[0].startsWith(QStringLiteral("Initialize %1 fault").arg(missing)))
        << prompt.texts()[0].toStdString();
    EXPECT_FALSE(openPort(channel, start.settings));
}

TEST_F(ProgramStartupTest, ACommNumThatNamesNoPortIsAProblemAndNoPortIsOpened)
{
    QDir(dir.path()).mkdir(QStringLiteral("home"));
    writeFile(QStringLiteral("home/setting.ini"), "[Setting]\r\nLanguage=English\r\nCommNum=ttyUSB0\r\n");

    const ProgramStart start = startProgram(dir.filePath(QStringLiteral("home")), &channel);

    EXPECT_FALSE(start.failure.has_value());
    ASSERT_TRUE(start.portProblem.has_value());
    EXPECT_TRUE(start.portProblem->startsWith(QStringLiteral("CommNum 'ttyUSB0' is no port: give a device")))
        << start.portProblem->toStdString();
    EXPECT_FALSE(channel.ChannelOK());
    // Told once, by the mode, not also by the channel.
    EXPECT_TRUE(prompt.texts().isEmpty());
    EXPECT_EQ(channel.COMM_CFG, QStringLiteral("ttyUSB0"));
}

TEST_F(ProgramStartupTest, ASettingsFileReadableByOthersIsTightenedAtStartAndSaidOnce)
{
    const test::ScopedUmask umask(0022);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("home")));
    test::setMode(dir.filePath(QStringLiteral("home")), 0700);
    const QString settings =
        writeFile(QStringLiteral("home/setting.ini"), "[Setting]\r\nLanguage=English\r\n[Mqtt]\r\nPassword=secret\r\n");
    test::setMode(settings, 0644);

    const ProgramStart start = startProgram(dir.filePath(QStringLiteral("home")));

    ASSERT_TRUE(start.note.has_value());
    EXPECT_TRUE(start.note->contains(QStringLiteral("had access to 1 of the program's files and folders in %1 (setting.ini)")
                                         .arg(start.folder)))
        << start.note->toStdString();
    EXPECT_EQ(test::modeOf(settings), 0600);
    EXPECT_FALSE(startProgram(dir.filePath(QStringLiteral("home"))).note.has_value());
}

} // namespace
} // namespace veltroma
