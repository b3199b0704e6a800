#include "app/shell/DesignApp.h"

#include "app/shell/MainFrame.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "monitor/MonitorSession.h"
#include "publish/MqttStartup.h"
#include "update/UpdateChecker.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace veltroma {

namespace {

// The inverters on the bus as setting.ini of `programFolder` names them; the session is made
// before the start dialog, so the file is found by the folder, not by g_szSettingPath().
InverterSlots storedInverters(const QString& programFolder)
{
    return loadInverterSlots(ProfileFile(programFolder + QStringLiteral("setting.ini")));
}

// A serial found on the bus and confirmed stays in its slot of the program's setting.ini.
// Worker thread; the file is replaced in one step.
bool keepSlotSerial(int slot, const QString& serial)
{
    return saveSlotSerial(ProfileFile(g_szSettingPath()), slot, serial);
}

} // namespace

CDesignApp::CDesignApp(Options options, std::unique_ptr<Prompt> prompt, Clock& clock)
    : m_options(std::move(options))
    , m_programFolder(veltroma::programFolder(m_options.home))
    , m_clock(clock)
    , m_prompt(std::move(prompt))
    , m_channel(clock, *m_prompt)
    , m_timers(std::make_unique<QtScheduleTimers>())
    , m_session(std::make_unique<MonitorSession>(MonitorSession::Setup{
          m_channel, clock, *m_timers, m_programFolder,
          [](const QString& key) { return g_LoadString(key); }, m_options.wallClock, {}, {},
          nullptr, storedInverters(m_programFolder), keepSlotSerial}))
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
    m_publisher = startMqttPublisher(g_szSettingPath(), *m_session, m_options.mqttHost);
    m_session->start(MonitorSession::FirstRefresh::AfterOnePeriod);
    m_pMainWnd->show();
    return true;
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
