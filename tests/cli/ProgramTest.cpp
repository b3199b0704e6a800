#include "ProgramRun.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

TEST(Program, AnOptionErrorEndsWithTwoAndOneMessageLineBeforeAnythingStarts)
{
    QTemporaryDir home;
    const struct {
        const char* what;
        QStringList arguments;
    } cases[] = {
        {"unknown option", {"--no-such-option"}},
        {"missing value", {"--headless", "--update-host"}},
        {"positional argument", {"--headless", "stray"}},
        {"bad update server", {"--headless", "--update-host", "bad host"}},
        {"bad broker with a line break", {"--headless", "--mqtt", "a\nb"}},
        {"bad address", {"--read-parameters", "--access-code", "lantern4", "--address", "0"}},
        {"no access code", {"--write-parameters", "fleet.txt"}},
        {"save without a port", {"--headless", "--save"}},
        {"port that is no port", {"--headless", "--port", "xyz", "--save"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramRun run(QStringList{"--home", home.path()} + c.arguments);
        EXPECT_EQ(run.exitCode(), 2);
        EXPECT_TRUE(run.out().isEmpty()) << run.out().toStdString();
        EXPECT_TRUE(run.err().startsWith(QStringLiteral("veltroma-monitor: "))) << run.err().toStdString();
        EXPECT_EQ(run.err().count(u'\n'), 1) << run.err().toStdString();
        EXPECT_TRUE(run.err().endsWith(u'\n'));
    }
    // Nothing was started: the program folder is untouched.
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

TEST(Program, HelpNamesEveryOption)
{
    ProgramRun run({"--help"});
    EXPECT_EQ(run.exitCode(), 0);
    for (const char* option : {"--home", "--headless", "--update-host", "--version", "--mqtt",
                               "--read-parameters", "--export-csv", "--status", "--port", "--save",
                               "--list-ports"})
        EXPECT_TRUE(run.out().contains(QLatin1String(option))) << option;
    EXPECT_TRUE(run.out().startsWith("Veltroma monitor 3.00")) << run.out().toStdString();
    EXPECT_TRUE(run.out().contains("$XDG_DATA_HOME/veltroma-monitor")) << run.out().toStdString();
    EXPECT_TRUE(run.err().isEmpty());
}

TEST(Program, VersionIsOneLineWithNameAndVersion)
{
    ProgramRun run({"--version"});
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Veltroma monitor 3\.00( \(revision [\w.-]+\))?\n$)"))
                    .match(run.out())
                    .hasMatch())
        << run.out().toStdString();
}

#ifdef VELTROMA_HAS_WINDOW
// At an SSH prompt there is no display: the program says what to do instead of letting the
// window's library end it with an abort.
TEST(Program, WithoutADisplayTheWindowPointsToTheLoggerAndEndsWithOne)
{
    QTemporaryDir home;
    ProgramRun run({"--home", home.path()}, [](QProcessEnvironment& environment) {
        for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(variable));
    });
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_EQ(run.err(), QStringLiteral("veltroma-monitor: no display: use --headless for the logger\n"));
    EXPECT_TRUE(QDir(home.path()).isEmpty()) << "nothing was started";
}
#else
TEST(Program, ABuildWithoutAWindowSaysSoAndEndsWithTwo)
{
    QTemporaryDir home;
    ProgramRun run({"--home", home.path()});
    EXPECT_EQ(run.exitCode(), 2);
    EXPECT_EQ(run.err(), QStringLiteral("veltroma-monitor: this build has no window; run it with --headless.\n"));
}
#endif

} // namespace
} // namespace veltroma::test
