#include "app/shell/MonitorPane.h"

#include "app/shell/DesignApp.h"
#include "app/shell/MainFrame.h"
#include "app/shell/ProgressDlg.h"
#include "app/view/LinkHealthPanel.h"
#include "app/view/MonitorView.h"
#include "config/Strings.h"
#include "publish/MqttPublisher.h"

namespace veltroma {

QWidget* CreateMonitorPane(CDesignApp& app, CMainFrame& frame)
{
    auto* view = new CMonitorView(CMonitorView::Setup{
        .session = app.session(),
        .prompt = app.prompt(),
        .actions = frame,
        .progress = &frame.ProgressDialog(),
        .loadString = [](const QString& key) { return g_LoadString(key); },
        .wallClock = app.options().wallClock,
        .portName = [&channel = app.channel()] { return channel.COMM_CFG.section(u',', 0, 0); },
    });
    // Debug mode shows the publisher's counters beside the link's; the application makes it
    // after the form, so it is looked up each time.
    view->linkPanel().setMqttSource([&app]() -> std::optional<MqttCounters> {
        const MqttPublisher* publisher = app.publisher();
        return publisher ? std::optional(publisher->counters()) : std::nullopt;
    });
    return view;
}

} // namespace veltroma
