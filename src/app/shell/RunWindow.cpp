#include "app/RunWindow.h"

#include "base/Clock.h"
#include "controls/Artwork.h"
#include "app/shell/DesignApp.h"
#include "app/shell/ProgramTitle.h"
#include "app/shell/QtPrompt.h"
#include "config/ProgramPaths.h"

#include <QApplication>

#include <cstdio>

namespace veltroma {

int runWindow(int& argc, char** argv, const QString& home, const UpdateHost& updateHost)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltroma-monitor"));
    // Ties the window to the installed desktop entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("org.veltroma.Monitor"));
    QApplication::setWindowIcon(artwork::Render(artwork::Art::AppIcon));
    // The program ends through the exit question only; a message box closed before the main
    // window is up must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    auto prompt = std::make_unique<QtPrompt>();
    // Settings, language files and records would all fail later, one by one and unseen.
    if (const auto problem = prepareProgramFolder(programFolder(home))) {
        std::fprintf(stderr, "veltroma-monitor: %s\n", qPrintable(*problem));
        prompt->message(*problem, programTitle(), PromptButtons::Ok, PromptIcon::Error);
        return 1;
    }

    CDesignApp theApp({home, updateHost}, std::move(prompt), steadyClock());
    if (!theApp.InitInstance())
        return 0;
    return QApplication::exec();
}

} // namespace veltroma
