#include "app/RunWindow.h"

#include "base/Clock.h"
#include "controls/Artwork.h"
#include "app/shell/DesignApp.h"
#include "app/shell/QtPrompt.h"

#include <QApplication>

namespace veltroma {

int runWindow(int& argc, char** argv, const QString& home, const UpdateHost& updateHost)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("veltroma-monitor"));
    QApplication::setWindowIcon(artwork::Render(artwork::Art::AppIcon));
    // The program ends through the exit question only; a message box closed before the main
    // window is up must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    CDesignApp theApp({home, updateHost}, std::make_unique<QtPrompt>(), steadyClock());
    if (!theApp.InitInstance())
        return 0;
    return QApplication::exec();
}

} // namespace veltroma
