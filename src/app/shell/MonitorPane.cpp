#include "app/shell/MonitorPane.h"

#include "app/shell/DesignApp.h"
#include "app/shell/MainFrame.h"
#include "app/shell/ProgressDlg.h"
#include "app/view/MonitorView.h"
#include "config/Strings.h"

namespace veltroma {

QWidget* CreateMonitorPane(CDesignApp& app, CMainFrame& frame)
{
    return new CMonitorView(CMonitorView::Setup{
        .link = app.channel(),
        .clock = app.clock(),
        .prompt = app.prompt(),
        .actions = frame,
        .progress = &frame.ProgressDialog(),
        .programFolder = app.programFolder(),
        .loadString = [](const QString& key) { return g_LoadString(key); },
        .wallClock = app.options().wallClock,
        .updateHost = app.options().updateHost,
        .portName = [&channel = app.channel()] { return channel.COMM_CFG.section(u',', 0, 0); },
    });
}

} // namespace veltroma
