#include "app/shell/DesignApp.h"

#include "app/shell/MainFrame.h"
#include "app/shell/ProgramTitle.h"
#include "channel/PortDescription.h"
#include "cli/ProgramInfo.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "monitor/InverterSettings.h"
#include "monitor/MonitorSession.h"
#include "publish/MqttStartup.h"
#include "update/UpdateChecker.h"
#include "web/HttpServerAdapter.h"
#include "web/WebStartup.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace veltroma {

namespace {

// The window's session. It is made before the start dialog, so setting.ini is found by the
// program folder, not by g_szSettingPath().
MonitorSession::Setup sessionSetup(Channel& channel, Clock& clock, ScheduleTimers& timers,
                                   const QString& programFolder,
                                   const ReplyDecoder::WallClock& wallClock)
{
    MonitorSession::Setup setup{channel, clock, timers, programFolder,
                                [](const QString& key) { return g_LoadString(key); }, wallClock};
    InverterSettings bus = inverterSettings(programFolder + QStringLiteral("setting.ini"));
    setup.inverters = std::move(bus.inverters);
    setup.keepSerial = std::move(bus.keepSerial);
    return setup;
}

} // namespace

CDesignApp::CDesignApp(Options options, std::unique_ptr<Prompt> prompt, Clock& clock)
    : m_options(std::move(options))
    , m_programFolder(veltroma::programFolder(m_options.home))
    , m_clock(clock)
    , m_prompt(std::move(prompt))
    , m_channel(clock, *m_prompt)
    , m_timers(std::make_unique<QtScheduleTimers>())
    , m_session(std::make_unique<MonitorSession>(
          sessionSetup(m_channel, clock, *m_timers, m_programFolder, m_options.wallClock)))
    , m_updater(std::make_unique<UpdateChecker>(*m_prompt, m_programFolder, m_options.updateHost))
    , m_openDocument([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , m_quit([](int exitCode) { QCoreApplication::exit(exitCode); })
{
}

// The session stops first: no refresh reaches the form while it goes, and the save in
// progress ends before anything else does.
CDesignApp::~CDesignApp()
{
    m_session->stop();
}

bool CDesignApp::InitInstance()
{
    auto frame = std::make_unique<CMainFrame>(*this);
    if (!frame->OnCreateClient())
        return false;
    m_pMainWnd = std::move(frame);
    // The start dialog has set the settings file the broker is read from.
    MqttStart mqtt = startMqttPublisher(g_szSettingPath(), *m_session, m_options.mqttHost);
    m_publisher = std::move(mqtt.publisher);
    WebStart web = startWebServer(
        effectiveWebSettings(g_szSettingPath(), m_options.webListen), [this] {
            const MqttPublisher* publisher = m_publisher.get();
            return sessionWebContent(*m_session, {portNameForUser(m_channel.COMM_CFG), versionNumber(),
                                                  [publisher]() -> std::optional<MqttCounters> {
                                                      if (publisher == nullptr)
                                                          return std::nullopt;
                                                      return publisher->counters();
                                                  }});
        });
    m_webServer = std::move(web.server);
    m_session->start(MonitorSession::FirstRefresh::AfterOnePeriod);
    m_pMainWnd->show();
    tellMqttStart(mqtt);
    tellWebStart(web);
    return true;
}

void CDesignApp::tellWebStart(const WebStart& web)
{
    if (web.failure) {
        m_prompt->message(g_LoadString(QStringLiteral("IDC_WEB_NOTSTARTED")).arg(*web.failure),
                          programTitle(), PromptButtons::Ok, PromptIcon::Warning);
    } else if (web.openWithoutPassword) {
        m_prompt->message(g_LoadString(QStringLiteral("IDC_WEB_OPENNETWORK"))
                              .arg(listenText(*web.settings.listen)),
                          programTitle(), PromptButtons::Ok, PromptIcon::Warning);
    }
}

void CDesignApp::tellMqttStart(const MqttStart& mqtt)
{
    // Once per start, and only what the user must act on: the settings dialog says the rest.
    if (mqtt.refusal) {
        m_prompt->message(g_LoadString(QStringLiteral("IDC_MQTT_PREFIXREFUSED")).arg(mqtt.refusedPrefix),
                          programTitle(), PromptButtons::Ok, PromptIcon::Warning);
    } else if (mqtt.passwordInClear) {
        m_prompt->message(g_LoadString(QStringLiteral("IDC_MQTT_CLEARPASSWORD"))
                              .arg(mqtt.settings.host),
                          programTitle(), PromptButtons::Ok, PromptIcon::Warning);
    }
}

void CDesignApp::ExitProgram()
{
    m_session->stop();
    if (m_channel.ChannelOK())
        m_channel.m_Port.close();
    m_quit(0);
}

bool CDesignApp::OpenDocument(const QString& path) const
{
    return m_openDocument(QUrl::fromLocalFile(path));
}

} // namespace veltroma
