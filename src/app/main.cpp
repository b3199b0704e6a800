#include "cli/ProgramInfo.h"
#include "app/RunWindow.h"
#include "config/ProgramPaths.h"
#include "cli/RunExportCsv.h"
#include "monitor/RunHeadless.h"
#include "cli/RunParameters.h"
#include "publish/MqttStartup.h"
#include "update/UpdateHost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void complain(const QString& text)
{
    std::fprintf(stderr, "veltroma-monitor: %s\n", qPrintable(text));
}

// The program folder of a mode without a window, made ready; empty after the reason has been
// told. The window reports it in a message box of its own.
std::optional<QString> readyProgramFolder(const QString& home)
{
    const QString folder = veltroma::programFolder(home);
    if (const auto problem = veltroma::prepareProgramFolder(folder)) {
        complain(*problem);
        return std::nullopt;
    }
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    // The options are read before the application object exists: the window needs a
    // different one from the headless logger.
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Monitoring and service program for a "
                                                    "grid-tied photovoltaic inverter."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the program's version."));
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Monitor without a window: record rows on "
                                                     "standard output, link events on standard "
                                                     "error."));
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Program folder (settings, languages, data); "
                                                 "see below for the default."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption updateHost(QStringLiteral("update-host"),
                                        QStringLiteral("Update server, HOST or HOST:PORT."),
                                        QStringLiteral("HOST[:PORT]"));
    parser.addOptions({help, version, headless, home, updateHost});
    const QCommandLineOption readParameters(QStringLiteral("read-parameters"),
                                            QStringLiteral("Print the grid parameters as Name=Value lines."));
    const QCommandLineOption writeParameters(QStringLiteral("write-parameters"),
                                             QStringLiteral("Write the grid parameters of FILE, verified."),
                                             QStringLiteral("FILE"));
    const QCommandLineOption accessCode(QStringLiteral("access-code"),
                                        QStringLiteral("Access code of the parameters."), QStringLiteral("CODE"));
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Bus address of the inverter (default 1)."), QStringLiteral("N"));
    parser.addOptions({readParameters, writeParameters, accessCode, address});
    const QCommandLineOption mqtt(QStringLiteral("mqtt"),
                                  QStringLiteral("Publish the live values to this MQTT broker."),
                                  QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption exportCsv(QStringLiteral("export-csv"),
                                       QStringLiteral("Write a month file's records as CSV; "
                                                      "exit code 2 for a file that is none."),
                                       QStringLiteral("MONTH.xls"));
    const QCommandLineOption output(QStringLiteral("output"),
                                    QStringLiteral("Where --export-csv writes ('-': standard "
                                                   "output, the default)."),
                                    QStringLiteral("FILE"));
    parser.addOptions({mqtt, exportCsv, output});

    if (!parser.parse(argumentList(argc, argv))) {
        complain(parser.errorText());
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(veltroma::helpText(parser)), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs(qPrintable(veltroma::versionText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        complain(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
        return 2;
    }

    veltroma::UpdateHost host = veltroma::defaultUpdateHost();
    if (parser.isSet(updateHost)) {
        const auto parsed = veltroma::parseUpdateHost(parser.value(updateHost));
        if (!parsed) {
            complain(QStringLiteral("'%1' is no update server (HOST or HOST:PORT)")
                         .arg(parser.value(updateHost)));
            return 2;
        }
        host = *parsed;
    }

    if (parser.isSet(readParameters) || parser.isSet(writeParameters)) {
        const auto folder = readyProgramFolder(parser.value(home));
        if (!folder)
            return 1;
        QCoreApplication app(argc, argv);
        return veltroma::runParameters({parser.isSet(readParameters), parser.value(writeParameters),
                                        parser.value(accessCode), parser.value(address), *folder});
    }
    if (parser.isSet(mqtt)) {
        const auto broker = veltroma::parseMqttHost(parser.value(mqtt));
        if (!broker) {
            complain(QStringLiteral("'%1' is no MQTT broker (HOST or HOST:PORT)")
                         .arg(parser.value(mqtt)));
            return 2;
        }
        veltroma::setMqttCommandLineHost(*broker);
    }
    if (parser.isSet(exportCsv)) {
        QCoreApplication app(argc, argv);
        return veltroma::runExportCsv(parser.value(exportCsv), parser.value(output));
    }

    if (parser.isSet(headless)) {
        const auto folder = readyProgramFolder(parser.value(home));
        if (!folder)
            return 1;
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("veltroma-monitor"));
        return veltroma::runHeadless(*folder, veltroma::startHeadlessMqtt);
    }
    return veltroma::runWindow(argc, argv, veltroma::programFolder(parser.value(home)), host);
}
