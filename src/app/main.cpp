#include "app/RunWindow.h"
#include "cli/ExitCode.h"
#include "cli/HeadlessMode.h"
#include "cli/ListPorts.h"
#include "cli/Messages.h"
#include "cli/ProgramInfo.h"
#include "cli/ProgramOptions.h"
#include "cli/RunExportCsv.h"
#include "cli/RunParameters.h"
#include "cli/RunStatus.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

using namespace veltroma;

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

ExitCode printText(const QString& text)
{
    std::fputs(qPrintable(text), stdout);
    return ExitCode::Ok;
}

// The modes without a window run in an application object of their own; the window makes
// a different one.
ExitCode run(const CommandLine& command, int& argc, char** argv)
{
    const ProgramOptions& options = command.options;
    switch (command.mode) {
    case Mode::Help:
        return printText(helpText());
    case Mode::Version:
        return printText(versionText());
    case Mode::Window:
        return runWindow(argc, argv, options);
    case Mode::ListPorts: {
        QCoreApplication app(argc, argv);
        return runListPorts(options);
    }
    case Mode::Headless: {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("veltroma-monitor"));
        return runHeadlessMode(options);
    }
    case Mode::ReadParameters:
    case Mode::WriteParameters: {
        QCoreApplication app(argc, argv);
        const auto action = command.mode == Mode::ReadParameters ? ParameterAction::Read
                                                                 : ParameterAction::Write;
        return runParameters(action, options);
    }
    case Mode::ExportCsv: {
        QCoreApplication app(argc, argv);
        return runExportCsv(options.exportFile, options.output);
    }
    case Mode::Status: {
        QCoreApplication app(argc, argv);
        return runStatus(options.home);
    }
    }
    return ExitCode::Usage;
}

} // namespace

int main(int argc, char** argv)
{
    // The options are read before the application object exists: the window needs a
    // different one from the other modes.
    const auto parsed = parseCommandLine(argumentList(argc, argv));
    if (const auto* refused = std::get_if<UsageError>(&parsed)) {
        printMessage(refused->message);
        return exitStatus(ExitCode::Usage);
    }
    return exitStatus(run(std::get<CommandLine>(parsed), argc, argv));
}
