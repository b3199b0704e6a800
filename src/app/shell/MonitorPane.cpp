#include "app/shell/MonitorPane.h"

#include "controls/Theme.h"

#include <QPalette>
#include <QWidget>

namespace veltroma {

QWidget* CreateMonitorPane(CDesignApp&, CMainFrame&)
{
    // The monitor form joins here; until then the column shows the form's ground.
    auto* pane = new QWidget;
    pane->setObjectName(QStringLiteral("CMonitorView"));
    pane->setAutoFillBackground(true);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, theme::Desktop());
    pane->setPalette(palette);
    return pane;
}

} // namespace veltroma
