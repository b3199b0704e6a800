#include "app/RunWindow.h"

#include "app/shell/AppStartup.h"
#include "app/shell/DesignApp.h"
#include "app/shell/QtPrompt.h"
#include "base/Clock.h"
#include "cli/ProgramOptions.h"
#include "controls/Artwork.h"

#include <QApplication>

namespace veltroma {

ExitCode runWindow(int& argc, char** argv, const ProgramOptions& options)
{
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
                       .mqttHost = options.mqttHost},
                      std::make_unique<QtPrompt>(), steadyClock());
    if (const auto early = startApplication(theApp))
        return *early;
    // The exit question ends the event loop with 0; nothing else ends it.
    return QApplication::exec() == 0 ? ExitCode::Ok : ExitCode::Failure;
}

} // namespace veltroma
