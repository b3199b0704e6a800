#include "app/shell/MonitorPane.h"

#include "app/shell/DesignApp.h"
#include "app/shell/MainFrame.h"
#include "app/shell/ProgressDlg.h"
#include "app/view/MonitorView.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "publish/MqttStartup.h"

namespace veltroma {

QWidget* CreateMonitorPane(CDesignApp& app, CMainFrame& frame)
{
    auto* view = new CMonitorView(CMonitorView::Setup{
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
    // The publisher lives as long as the form whose engine it listens to.
    if (auto publisher = startMqttPublisher(g_szSettingPath(), view->events(), app.options().mqttHost)) {
        view->showPublisherCounters(publisher.get());
        publisher.release()->setParent(view);
    }
    return view;
}

} // namespace veltroma
