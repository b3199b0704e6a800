#include "app/RunWindow.h"

#include "app/shell/AppStartup.h"
#include "app/shell/DesignApp.h"
#include "app/shell/QtPrompt.h"
#include "base/Clock.h"
#include "cli/Messages.h"
#include "cli/ProgramOptions.h"
#include "controls/Artwork.h"

#include <QApplication>

namespace veltroma {

namespace {

// Where a window can go. Without one Qt ends the process with advice to reinstall, which is
// no help at an SSH prompt: the person wants the logger.
bool haveDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    return false;
#else
    return true;
#endif
}

} // namespace

ExitCode runWindow(int& argc, char** argv, const ProgramOptions& options)
{
    if (!haveDisplay()) {
        printMessage(QStringLiteral("no display: use --headless for the logger"));
        return ExitCode::Failure;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltroma-monitor"));
    // Ties the window to the installed desktop entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.veltroma.Monitor"));
    QApplication::setWindowIcon(artwork::Render(artwork::Art::AppIcon));
    // The program ends through the exit question only; a message box closed before the main
    // window is up must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    CDesignApp theApp({.home = options.home,
                       .updateHost = options.updateHost,
                       .mqttHost = options.mqttHost,
                       .webListen = options.webListen,
                       .port = options.port,
                       .savePort = options.savePort},
                      std::make_unique<QtPrompt>(), steadyClock());
    if (const auto early = startApplication(theApp))
        return *early;
    // The exit question ends the event loop with 0; nothing else ends it.
    return QApplication::exec() == 0 ? ExitCode::Ok : ExitCode::Failure;
}

} // namespace veltroma
