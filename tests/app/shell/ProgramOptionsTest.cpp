#include <QDir>
#include <QProcess>
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
    for (const char* option : {"--home", "--headless", "--update-host"})
        EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;
}

} // namespace
