#include "ProgramRun.h"

#include "support/InverterSim.h"

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

// A program folder whose setting.ini holds `settings`, private as the program makes it.
class PortOptionsTest : public ::testing::Test {
protected:
    void writeSettings(const QByteArray& settings)
    {
        QFile file(settingPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(settings);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    [[nodiscard]] QString settingPath() const
    {
        return home.filePath(QStringLiteral("setting.ini"));
    }

    // The logger with `extra` arguments: true when it printed its header and then a line for
    // a reply, and ended with 0 on SIGTERM.
    bool loggerLogsReplies(const QStringList& extra)
    {
        ProgramRun run(QStringList{"--headless", "--every-reply", "--home", home.path()} + extra);
        const bool replied = run.waitUntil([&] { return run.out().count(u'\n') >= 2; });
        run.terminate();
        const int exitCode = run.exitCode();
        EXPECT_TRUE(replied) << run.err().toStdString();
        EXPECT_TRUE(run.out().startsWith(QStringLiteral("time\tinverter\t")))
            << run.out().toStdString();
        EXPECT_EQ(exitCode, 0) << run.err().toStdString();
        return replied && exitCode == 0;
    }

    QTemporaryDir home;
};

TEST_F(PortOptionsTest, PortOverridesCommNumForOneRunAndWithSaveIsStoredKeepingEveryOtherLine)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    const QByteArray settings =
        "; the box in the cupboard\r\n[Setting]\r\nLanguage=English\r\n"
        "CommNum=/dev/veltroma-no-port,9600,8,N,1\r\n\r\n[Inverters]\r\nCount=1\r\n";
    writeSettings(settings);

    EXPECT_TRUE(loggerLogsReplies({"--port", sim.portPath()}));
    EXPECT_EQ(fileBytes(settingPath()), settings);

    EXPECT_TRUE(loggerLogsReplies({"--port", sim.portPath(), "--save"}));
    QByteArray expected = settings;
    expected.replace("/dev/veltroma-no-port,9600,8,N,1", sim.portPath().toUtf8());
    EXPECT_EQ(fileBytes(settingPath()), expected);
    // The stored name alone is a port the next start opens.
    EXPECT_TRUE(loggerLogsReplies({}));
}

TEST_F(PortOptionsTest, ABareDevicePathInCommNumIsAPortAt9600)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    writeSettings("[Setting]\r\nLanguage=English\r\nCommNum=" + sim.portPath().toUtf8() + "\r\n");
    EXPECT_TRUE(loggerLogsReplies({}));
}

TEST_F(PortOptionsTest, ACommNumThatNamesNoPortEndsTheLoggerWithTwoAndOneLineSayingTheFormExpected)
{
    writeSettings("[Setting]\r\nLanguage=English\r\nCommNum=xyz\r\n");
    ProgramRun run({"--headless", "--home", home.path()});
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_EQ(run.err(),
              QStringLiteral("veltroma-monitor: CommNum 'xyz' is no port: give a device such as "
                             "/dev/ttyUSB0 or COM1, optionally followed by ,9600,8,N,1\n"));
    EXPECT_TRUE(run.out().isEmpty());
}

TEST_F(PortOptionsTest, WithoutCommNumTheLoggerSaysAtOnceWhichDeviceCom1Is)
{
    writeSettings("[Setting]\r\nLanguage=English\r\n");
    ProgramRun run({"--headless", "--home", home.path()});
    const QString said =
        QStringLiteral("veltroma-monitor: setting.ini names no port (CommNum): using COM1 "
                       "(/dev/ttyS0); choose one with --port DEV --save, see --list-ports\n");
    EXPECT_TRUE(run.waitUntil([&] { return run.err().contains(said); }, 10'000))
        << run.err().toStdString();
    run.terminate();
    EXPECT_EQ(run.exitCode(), 0);
}

TEST_F(PortOptionsTest, ListPortsMarksThePortInUseOnePerLineAndEndsWithZero)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    ProgramRun run({"--list-ports", "--home", home.path(), "--port", sim.portPath()});
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(run.err().isEmpty()) << run.err().toStdString();
    ASSERT_TRUE(run.out().endsWith(u'\n'));
    const QStringList lines = run.out().chopped(1).split(u'\n');
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(u'/') || line.startsWith(QStringLiteral("COM")))
            << line.toStdString();
    // A pseudo-terminal is no port the system reports; it is named last, marked.
    EXPECT_EQ(lines.filter(QStringLiteral("<- in use")),
              QStringList{sim.portPath()
                          + QStringLiteral("  <- in use (--port), not reported by the system")});
    EXPECT_FALSE(QFile::exists(settingPath())) << "listing writes nothing";
}

} // namespace
} // namespace veltroma::test
