#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct MonitorRun {
    int exitCode = -1;
    QString out;
    QString err;
};

MonitorRun runMonitor(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELTROMA_MONITOR_EXE), arguments);
    process.waitForFinished(30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(ProgramOptions, BadUpdateHostsAndUnknownOptionsAreRefusedBeforeAnythingStarts)
{
    QTemporaryDir home;
    for (const QString& host : {QStringLiteral("bad host"), QStringLiteral("example.com:99999"),
                                QStringLiteral("example.com/path"), QString()}) {
        const MonitorRun run = runMonitor({"--headless", "--home", home.path(), "--update-host", host});
        EXPECT_EQ(run.exitCode, 2) << host.toStdString();
        EXPECT_TRUE(run.err.contains("update server")) << run.err.toStdString();
    }
    EXPECT_EQ(runMonitor({"--no-such-option"}).exitCode, 2);
    EXPECT_EQ(runMonitor({"stray"}).exitCode, 2);
    // Nothing was started: the program folder is untouched.
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

TEST(ProgramOptions, HelpNamesEveryOption)
{
    const MonitorRun run = runMonitor({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option : {"--home", "--headless", "--update-host", "--version"})
        EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;
    EXPECT_TRUE(run.out.startsWith("Veltroma monitor 3.00")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("$XDG_DATA_HOME/veltroma-monitor")) << run.out.toStdString();
}

TEST(ProgramOptions, VersionIsOneLineWithNameAndVersion)
{
    const MonitorRun run = runMonitor({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Veltroma monitor 3\.00( \(revision [\w.-]+\))?\n$)"))
                    .match(run.out)
                    .hasMatch())
        << run.out.toStdString();
}

} // namespace
