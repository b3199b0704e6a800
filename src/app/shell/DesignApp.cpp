#include "app/shell/DesignApp.h"

#include "config/ProgramPaths.h"
#include "app/shell/MainFrame.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace veltroma {

CDesignApp::CDesignApp(Options options, std::unique_ptr<Prompt> prompt, Clock& clock)
    : m_options(std::move(options))
    , m_programFolder(veltroma::programFolder(m_options.home))
    , m_clock(clock)
    , m_prompt(std::move(prompt))
    , m_channel(clock, *m_prompt)
    , m_openDocument([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , m_quit([](int exitCode) { QCoreApplication::exit(exitCode); })
{
}

CDesignApp::~CDesignApp() = default;

bool CDesignApp::InitInstance()
{
    auto frame = std::make_unique<CMainFrame>(*this);
    if (!frame->OnCreateClient())
        return false;
    m_pMainWnd = std::move(frame);
    m_pMainWnd->show();
    return true;
}

void CDesignApp::ExitProgram()
{
    if (m_channel.ChannelOK())
        m_channel.m_Port.close();
    m_quit(0);
}

bool CDesignApp::OpenDocument(const QString& path) const
{
    return m_openDocument(QUrl::fromLocalFile(path));
}

} // namespace veltroma
