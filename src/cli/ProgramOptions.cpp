#include "cli/ProgramOptions.h"

#include "channel/PortDescription.h"
#include "cli/ProgramInfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace veltroma {

namespace {

constexpr int kMaxAddress = 255;

// Every option the program knows, in the order --help lists them, on one parser.
struct OptionSet {
    OptionSet()
    {
        parser.setApplicationDescription(QStringLiteral("Monitoring and service program for a "
                                                        "grid-tied photovoltaic inverter."));
        parser.addOptions({help, version, headless, everyReply, home, port, save, listPorts,
                           updateHost, readParameters, writeParameters, accessCode,
                           accessCodeFile, address, mqtt, web,
                           exportCsv, output, status});
    }

    const QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help.")};
    const QCommandLineOption version{QStringLiteral("version"),
                                     QStringLiteral("Show the program's version.")};
    const QCommandLineOption headless{QStringLiteral("headless"),
                                      QStringLiteral("Monitor without a window: a header, then "
                                                     "one line per recorded row on standard "
                                                     "output; events on standard error.")};
    const QCommandLineOption everyReply{QStringLiteral("every-reply"),
                                        QStringLiteral("With --headless: a line for every "
                                                       "realtime reply, not only for every "
                                                       "recorded row.")};
    const QCommandLineOption home{QStringLiteral("home"),
                                  QStringLiteral("Program folder (settings, languages, data); "
                                                 "see below for the default."),
                                  QStringLiteral("DIR")};
    const QCommandLineOption port{QStringLiteral("port"),
                                  QStringLiteral("Serial port for this run instead of "
                                                 "setting.ini's CommNum: a device such as "
                                                 "/dev/ttyUSB0 or COM1, optionally followed by "
                                                 ",9600,8,N,1."),
                                  QStringLiteral("DEV")};
    const QCommandLineOption save{QStringLiteral("save"),
                                  QStringLiteral("With --port: also store it as CommNum in "
                                                 "setting.ini.")};
    const QCommandLineOption listPorts{QStringLiteral("list-ports"),
                                       QStringLiteral("List the serial ports the system reports "
                                                      "and the one in use, then end.")};
    const QCommandLineOption updateHost{QStringLiteral("update-host"),
                                        QStringLiteral("Update server, HOST or HOST:PORT."),
                                        QStringLiteral("HOST[:PORT]")};
    const QCommandLineOption readParameters{QStringLiteral("read-parameters"),
                                            QStringLiteral("Print the grid parameters as "
                                                           "Name=Value lines.")};
    const QCommandLineOption writeParameters{QStringLiteral("write-parameters"),
                                             QStringLiteral("Write the grid parameters of FILE, "
                                                            "verified."),
                                             QStringLiteral("FILE")};
    const QCommandLineOption accessCode{QStringLiteral("access-code"),
                                        QStringLiteral("Access code of the parameters; '-' reads "
                                                       "it from standard input (other local "
                                                       "users see a code given here)."),
                                        QStringLiteral("CODE")};
    const QCommandLineOption accessCodeFile{QStringLiteral("access-code-file"),
                                            QStringLiteral("Read the access code from the first "
                                                           "line of FILE."),
                                            QStringLiteral("FILE")};
    const QCommandLineOption address{QStringLiteral("address"),
                                     QStringLiteral("Bus address of the inverter (default 1)."),
                                     QStringLiteral("N")};
    const QCommandLineOption mqtt{QStringLiteral("mqtt"),
                                  QStringLiteral("Publish the live values to this MQTT broker."),
                                  QStringLiteral("HOST[:PORT]")};
    const QCommandLineOption web{QStringLiteral("web"),
                                 QStringLiteral("Serve the read-only web view on this address, "
                                                "e.g. 127.0.0.1:8080 (overrides Listen in [Web] "
                                                "of setting.ini)."),
                                 QStringLiteral("ADDRESS:PORT")};
    const QCommandLineOption exportCsv{QStringLiteral("export-csv"),
                                       QStringLiteral("Write a month file's records as CSV; "
                                                      "exit code 2 for a file that is none."),
                                       QStringLiteral("MONTH.xls")};
    const QCommandLineOption output{QStringLiteral("output"),
                                    QStringLiteral("Where --export-csv writes ('-': standard "
                                                   "output, the default)."),
                                    QStringLiteral("FILE")};
    const QCommandLineOption status{QStringLiteral("status"),
                                    QStringLiteral("Print each inverter's newest recorded row and "
                                                   "its age, without opening the port; exit "
                                                   "code 1 when one is late in daylight.")};
    QCommandLineParser parser;
};

// An empty text is the default address, as when the option is not given.
std::optional<int> parseAddress(const QString& text)
{
    if (text.isEmpty())
        return 1;
    bool ok = false;
    const int address = text.toInt(&ok);
    if (!ok || address < 1 || address > kMaxAddress)
        return std::nullopt;
    return address;
}

} // namespace

std::variant<CommandLine, UsageError> parseCommandLine(const QStringList& arguments)
{
    OptionSet set;
    QCommandLineParser& parser = set.parser;
    if (!parser.parse(arguments))
        return UsageError{parser.errorText()};
    if (parser.isSet(set.help))
        return CommandLine{Mode::Help, {}};
    if (parser.isSet(set.version))
        return CommandLine{Mode::Version, {}};
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return UsageError{QStringLiteral("unexpected argument '%1'").arg(extra.first())};

    // Options that mean something only beside another are no silent no-ops.
    const bool parameterMode = parser.isSet(set.readParameters) || parser.isSet(set.writeParameters);
    if (parser.isSet(set.output) && !parser.isSet(set.exportCsv))
        return UsageError{QStringLiteral("--output needs --export-csv")};
    for (const QCommandLineOption* option : {&set.accessCode, &set.accessCodeFile, &set.address}) {
        if (parser.isSet(*option) && !parameterMode) {
            return UsageError{QStringLiteral("--%1 needs --read-parameters or --write-parameters")
                                  .arg(option->names().constFirst())};
        }
    }

    if (parser.isSet(set.everyReply) && !parser.isSet(set.headless))
        return UsageError{QStringLiteral("--every-reply needs --headless")};
    if (parser.isSet(set.save)) {
        if (!parser.isSet(set.port))
            return UsageError{QStringLiteral("--save needs --port")};
        // Those modes open no port; the setting would change unseen.
        for (const QCommandLineOption* option : {&set.listPorts, &set.exportCsv, &set.status}) {
            if (parser.isSet(*option)) {
                return UsageError{QStringLiteral("--save does not go with --%1")
                                      .arg(option->names().constFirst())};
            }
        }
    }

    CommandLine command;
    ProgramOptions& options = command.options;
    options.everyReply = parser.isSet(set.everyReply);
    options.home = parser.value(set.home);
    if (parser.isSet(set.port)) {
        options.port = parser.value(set.port).trimmed();
        if (!parsePortDescription(options.port))
            return UsageError{notAPortMessage(QStringLiteral("--port"), parser.value(set.port))};
        options.savePort = parser.isSet(set.save);
    }
    if (parser.isSet(set.updateHost)) {
        const auto host = parseUpdateHost(parser.value(set.updateHost));
        if (!host) {
            return UsageError{QStringLiteral("'%1' is no update server (HOST or HOST:PORT)")
                                  .arg(parser.value(set.updateHost))};
        }
        options.updateHost = *host;
    }
    if (parser.isSet(set.mqtt)) {
        options.mqttHost = parseMqttHost(parser.value(set.mqtt));
        if (!options.mqttHost) {
            return UsageError{QStringLiteral("'%1' is no MQTT broker (HOST or HOST:PORT)")
                                  .arg(parser.value(set.mqtt))};
        }
    }
    if (parser.isSet(set.web)) {
        options.webListen = parseWebListen(parser.value(set.web));
        if (!options.webListen) {
            return UsageError{QStringLiteral("'%1' is no web view address (an IP address or "
                                             "localhost, then :PORT)")
                                  .arg(parser.value(set.web))};
        }
    }

    options.parameterFile = parser.value(set.writeParameters);
    options.accessCode = parser.value(set.accessCode);
    options.accessCodeFile = parser.value(set.accessCodeFile);
    if (parser.isSet(set.accessCode) && parser.isSet(set.accessCodeFile))
        return UsageError{QStringLiteral("give --access-code or --access-code-file, not both")};
    options.exportFile = parser.value(set.exportCsv);
    options.output = parser.value(set.output);

    if (parser.isSet(set.listPorts)) {
        command.mode = Mode::ListPorts;
    } else if (parser.isSet(set.readParameters) || parser.isSet(set.writeParameters)) {
        // An empty FILE names no file: that is neither mode, as is giving both.
        const bool read = parser.isSet(set.readParameters);
        if (read == !options.parameterFile.isEmpty()) {
            return UsageError{
                QStringLiteral("give either --read-parameters or --write-parameters FILE")};
        }
        const QString addressText = parser.value(set.address);
        const auto address = parseAddress(addressText);
        if (!address) {
            return UsageError{QStringLiteral("'%1' is no bus address (1 to %2)")
                                  .arg(addressText)
                                  .arg(kMaxAddress)};
        }
        options.address = *address;
        if (options.accessCode.isEmpty() && options.accessCodeFile.isEmpty())
            return UsageError{QStringLiteral("--access-code is needed")};
        command.mode = read ? Mode::ReadParameters : Mode::WriteParameters;
    } else if (parser.isSet(set.exportCsv)) {
        command.mode = Mode::ExportCsv;
    } else if (parser.isSet(set.status)) {
        command.mode = Mode::Status;
    } else if (parser.isSet(set.headless)) {
        command.mode = Mode::Headless;
    }
    return command;
}

QString helpText()
{
    // The parser names the executable only once an application object exists; the options
    // are read before one does.
    const OptionSet set;
    QString options = set.parser.helpText();
    options.remove(0, options.indexOf(u'\n') + 1);
    return versionText() + QStringLiteral("Usage: veltroma-monitor [options]\n") + options
        + QStringLiteral(
            "\n"
            "Program folder (setting.ini, Language/, Data/, Help/, Update/):\n"
            "  1. the folder given with --home DIR;\n"
            "  2. else the executable's folder, when it holds setting.ini (a portable copy) or\n"
            "     is not the bin folder of an installation (the build tree);\n"
            "  3. else, installed, $XDG_DATA_HOME/veltroma-monitor (by default\n"
            "     ~/.local/share/veltroma-monitor), created on the first start.\n"
            "  The installed files are never written to. The folder is its user's alone:\n"
            "  0700, its files 0600; wider modes found at start are tightened and reported.\n"
            "\n"
            "Exit codes: 0 done or stopped by SIGINT/SIGTERM; 1 the program folder cannot be\n"
            "written, or no display for the window; 2 wrong command line, or a CommNum that\n"
            "names no port. The logger waits for a port that cannot be opened yet, as a service\n"
            "should.\n"
            "--read-parameters and --write-parameters: 0 done and verified; 1 no reply or a\n"
            "read-back difference; 2 invalid file or options; 3 wrong access code; 4 port\n"
            "unavailable or busy.\n"
            "--status: 0 every inverter's newest row is of the last 10 minutes, or it is not\n"
            "daylight (07:00 to 19:00 local time); 1 in daylight an inverter has no row of\n"
            "today or none of the last 10 minutes, or there is no program folder.\n");
}

} // namespace veltroma
