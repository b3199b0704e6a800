#include "cli/ProgramOptions.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

// The program's arguments as main() hands them over: the program itself first.
std::variant<CommandLine, UsageError> parse(const QStringList& arguments)
{
    return parseCommandLine(QStringList{QStringLiteral("veltroma-monitor")} + arguments);
}

struct Refusal {
    const char* what;
    QStringList arguments;
    QString says; // a part of the message
};

TEST(ProgramOptions, EveryOptionErrorIsRefusedWithOneMessageThatSaysWhatIsWrong)
{
    const QString parameters = QStringLiteral("--read-parameters");
    const QString code = QStringLiteral("--access-code");
    const Refusal refusals[] = {
        {"unknown option", {"--no-such-option"}, "Unknown option 'no-such-option'."},
        {"several unknown options", {"--one", "-z"}, "Unknown options: one, z."},
        {"missing value", {"--home"}, "Missing value after '--home'."},
        {"value for a switch", {"--headless=yes"}, "Unexpected value after '--headless'."},
        {"positional argument", {"--headless", "stray"}, "unexpected argument 'stray'"},
        {"update server with a space", {"--update-host", "bad host"}, "'bad host' is no update server"},
        {"update server port out of range", {"--update-host", "example.com:99999"}, "is no update server"},
        {"update server with a path", {"--update-host", "example.com/path"}, "is no update server"},
        {"empty update server", {"--update-host", ""}, "'' is no update server"},
        {"broker port zero", {"--mqtt", "broker:0"}, "'broker:0' is no MQTT broker"},
        {"broker with a space", {"--mqtt", "my broker"}, "is no MQTT broker"},
        {"empty broker", {"--mqtt", ""}, "is no MQTT broker"},
        {"broker with a line break", {"--mqtt", "a\nb"}, "is no MQTT broker"},
        {"web view without a port", {"--web", "127.0.0.1"}, "'127.0.0.1' is no web view address"},
        {"web view on a host name", {"--headless", "--web", "example.org:8080"}, "is no web view address"},
        {"address zero", {parameters, code, "c", "--address", "0"}, "'0' is no bus address (1 to 255)"},
        {"address above a byte", {parameters, code, "c", "--address", "256"}, "'256' is no bus address"},
        {"address that is no number", {parameters, code, "c", "--address", "one"}, "'one' is no bus address"},
        {"negative address", {parameters, code, "c", "--address", "-1"}, "is no bus address"},
        {"no access code", {parameters}, "--access-code is needed"},
        {"empty access code", {parameters, code, ""}, "--access-code is needed"},
        {"read and write", {parameters, "--write-parameters", "f.txt", code, "c"}, "give either"},
        {"write without a file", {"--write-parameters", "", code, "c"}, "give either"},
        {"unknown option beside --help", {"--help", "--no-such-option"}, "Unknown option"},
        {"output alone", {"--output", "may.csv"}, "--output needs --export-csv"},
        {"output beside the logger", {"--headless", "--output", "-"}, "--output needs --export-csv"},
        {"every reply without the logger", {"--every-reply"}, "--every-reply needs --headless"},
        {"access code alone", {code, "c"}, "--access-code needs --read-parameters or --write-parameters"},
        {"address beside the export", {"--export-csv", "m.xls", "--address", "2"}, "--address needs"},
        {"port that is no port", {"--headless", "--port", "xyz"},
         "--port 'xyz' is no port: give a device such as /dev/ttyUSB0 or COM1, optionally followed by ,9600,8,N,1"},
        {"COM beyond nine", {"--port", "COM10"}, "'COM10' is no port"},
        {"empty port", {"--port", ""}, "'' is no port"},
        {"save without a port", {"--headless", "--save"}, "--save needs --port"},
        {"save beside the list", {"--list-ports", "--port", "COM2", "--save"}, "--save does not go with --list-ports"},
        {"save beside the export", {"--export-csv", "m.xls", "--port", "COM2", "--save"},
         "--save does not go with --export-csv"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        const auto result = parse(refusal.arguments);
        const auto* error = std::get_if<UsageError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_TRUE(error->message.contains(refusal.says)) << error->message.toStdString();
        // The printer adds the program's name.
        EXPECT_FALSE(error->message.startsWith(QStringLiteral("veltroma-monitor"))) << error->message.toStdString();
    }
}

// Checks that parsing `arguments` gives a command, and returns it.
CommandLine accepted(const QStringList& arguments)
{
    const auto result = parse(arguments);
    if (const auto* error = std::get_if<UsageError>(&result)) {
        ADD_FAILURE() << "refused: " << error->message.toStdString();
        return {};
    }
    return std::get<CommandLine>(result);
}

TEST(ProgramOptions, WithoutOptionsTheWindowStartsWithTheDefaults)
{
    const CommandLine command = accepted({});
    EXPECT_EQ(command.mode, Mode::Window);
    EXPECT_TRUE(command.options.home.isEmpty());
    EXPECT_EQ(command.options.updateHost, defaultUpdateHost());
    EXPECT_FALSE(command.options.mqttHost.has_value());
    EXPECT_EQ(command.options.address, 1);
}

TEST(ProgramOptions, EachModeComesWithItsOptions)
{
    const CommandLine logger = accepted({"--headless", "--home", "/srv/pv", "--update-host",
                                         "updates.example:8080", "--mqtt", "[::1]:1884",
                                         "--web", "[::1]:8080"});
    EXPECT_EQ(logger.mode, Mode::Headless);
    EXPECT_EQ(logger.options.home, QStringLiteral("/srv/pv"));
    EXPECT_EQ(logger.options.updateHost, (UpdateHost{QStringLiteral("updates.example"), 8080}));
    ASSERT_TRUE(logger.options.mqttHost.has_value());
    EXPECT_EQ(logger.options.mqttHost->host, QStringLiteral("::1"));
    EXPECT_EQ(logger.options.mqttHost->port, 1884);
    EXPECT_EQ(logger.options.webListen, (WebListen{QStringLiteral("::1"), 8080}));

    const CommandLine read = accepted({"--read-parameters", "--access-code", "c0de", "--address", "17"});
    EXPECT_EQ(read.mode, Mode::ReadParameters);
    EXPECT_EQ(read.options.accessCode, QStringLiteral("c0de"));
    EXPECT_EQ(read.options.address, 17);

    const CommandLine write = accepted({"--write-parameters", "fleet.txt", "--access-code", "c0de"});
    EXPECT_EQ(write.mode, Mode::WriteParameters);
    EXPECT_EQ(write.options.parameterFile, QStringLiteral("fleet.txt"));
    EXPECT_EQ(write.options.address, 1);

    const CommandLine exported = accepted({"--export-csv", "2011-5.xls", "--output", "may.csv"});
    EXPECT_EQ(exported.mode, Mode::ExportCsv);
    EXPECT_EQ(exported.options.exportFile, QStringLiteral("2011-5.xls"));
    EXPECT_EQ(exported.options.output, QStringLiteral("may.csv"));

    const CommandLine status = accepted({"--status", "--home", "/srv/pv"});
    EXPECT_EQ(status.mode, Mode::Status);
    EXPECT_EQ(status.options.home, QStringLiteral("/srv/pv"));
    const CommandLine moved = accepted({"--headless", "--port", " /dev/ttyUSB1 ", "--save"});
    EXPECT_EQ(moved.mode, Mode::Headless);
    EXPECT_EQ(moved.options.port, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_TRUE(moved.options.savePort);
    const CommandLine once = accepted({"--read-parameters", "--access-code", "c", "--port", "COM2,19200,8,E,1"});
    EXPECT_EQ(once.options.port, QStringLiteral("COM2,19200,8,E,1"));
    EXPECT_FALSE(once.options.savePort);

    const CommandLine listed = accepted({"--list-ports", "--port", "COM2"});
    EXPECT_EQ(listed.mode, Mode::ListPorts);
    EXPECT_EQ(listed.options.port, QStringLiteral("COM2"));

    EXPECT_EQ(accepted({"-h"}).mode, Mode::Help);
    EXPECT_EQ(accepted({"--version"}).mode, Mode::Version);
}

TEST(ProgramOptions, OfSeveralModesTheListOfPortsComesFirstThenTheParameterModesTheExportTheStatusTheLogger)
{
    EXPECT_EQ(accepted({"--headless", "--read-parameters", "--access-code", "c"}).mode, Mode::ReadParameters);
    EXPECT_EQ(accepted({"--export-csv", "m.xls", "--write-parameters", "f", "--access-code", "c"}).mode,
              Mode::WriteParameters);
    EXPECT_EQ(accepted({"--headless", "--export-csv", "m.xls"}).mode, Mode::ExportCsv);
    EXPECT_EQ(accepted({"--status", "--export-csv", "m.xls"}).mode, Mode::ExportCsv);
    EXPECT_EQ(accepted({"--headless", "--status"}).mode, Mode::Status);
    EXPECT_EQ(accepted({"--headless", "--read-parameters", "--access-code", "c", "--list-ports"}).mode,
              Mode::ListPorts);
    // Help and version answer before any value is judged.
    EXPECT_EQ(accepted({"--update-host", "bad host", "--help"}).mode, Mode::Help);
    EXPECT_EQ(accepted({"--version", "--mqtt", ""}).mode, Mode::Version);
}

} // namespace
} // namespace veltroma
