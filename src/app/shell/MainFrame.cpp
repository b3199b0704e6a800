#include "app/shell/MainFrame.h"

#include "update/UpdateChecker.h"

#include "base/Prompt.h"
#include "config/OneInverterCheck.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "controls/Artwork.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/SplitterWndEx.h"
#include "app/shell/ComCfgDlg.h"
#include "app/shell/DesignApp.h"
#include "app/shell/InitDlg.h"
#include "app/shell/MonitorPane.h"
#include "app/shell/Navigation.h"
#include "app/shell/PositionPin.h"
#include "app/shell/ProgramTitle.h"
#include "app/shell/ProgressDlg.h"
#include "access/AccessRule.h"
#include "monitor/MonitorSession.h"
#include "service/access/ServiceEntries.h"
#include "service/autotest/OpenTestView.h"
#include "service/manual/OpenManualTest.h"
#include "update/UpdateChecker.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <memory>

namespace veltroma {

namespace {

// Large-icon view, items and folders editable and draggable, animated; no selection frame.
constexpr std::uint32_t kBarFlags = CGfxOutBarCtrl::fEditGroups | CGfxOutBarCtrl::fEditItems
    | CGfxOutBarCtrl::fRemoveGroups | CGfxOutBarCtrl::fRemoveItems | CGfxOutBarCtrl::fAddGroups
    | CGfxOutBarCtrl::fDragItems | CGfxOutBarCtrl::fAnimation;

constexpr int kLargeIconEdge = 32;
constexpr int kSmallIconEdge = 16;

const QString kHelpFile = QStringLiteral("Help/MarovikHlp.chm");

} // namespace

CMainFrame::CMainFrame(CDesignApp& app) : m_app(app), m_Dlg(new CProgressDlg(this))
{
    // No menu, tool or status bar: the frame is the split window and nothing else.
    setWindowTitle(programTitle());
    setWindowIcon(artwork::Render(artwork::Art::AppIcon));
    setGeometry(kMainFramePin);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(mainFrameOpening(screen->availableGeometry()));
}

// The monitor form goes first: its engine may still report progress until it has stopped.
CMainFrame::~CMainFrame()
{
    const std::unique_ptr<QWidget> form(takeCentralWidget());
}

bool CMainFrame::OnCreateClient()
{
    {
        CInitDlg start;
        if (start.exec() != QDialog::Accepted)
            return false;
    }

    wndSplitter = new CSplitterWndEx(this);
    wndSplitter->CreateStatic(1, 3);
    setCentralWidget(wndSplitter);

    m_designView = new QWidget;
    m_designView->setObjectName(QStringLiteral("CDesignView"));
    wndSplitter->SetPane(0, 1, m_designView);
    wndSplitter->SetColumnInfo(1, 0, 0);

    BuildNavigationBar();
    wndSplitter->SetColumnInfo(0, kNavigationWidth, 0);

    m_monitorPane = CreateMonitorPane(m_app, *this);
    wndSplitter->SetPane(0, 2, m_monitorPane);
    wndSplitter->SetColumnInfo(2, 0, 0);
    wndSplitter->RecalcLayout();
    return true;
}

void CMainFrame::BuildNavigationBar()
{
    wndBar = new CGfxOutBarCtrl;
    wndBar->Create(wndSplitter, QRect(), kBarFlags);
    wndSplitter->SetPane(0, 0, wndBar);

    imaLarge = artwork::NavigationImages(kLargeIconEdge);
    imaSmall = artwork::NavigationImages(kSmallIconEdge);
    wndBar->SetImageList(&imaLarge, CGfxOutBarCtrl::fLargeIcon);
    wndBar->SetImageList(&imaSmall, CGfxOutBarCtrl::fSmallIcon);
    wndBar->SetAnimationTickCount(0);
    wndBar->SetAnimSelHighlight(0);

    for (const NavFolder& folder : kNavFolders)
        wndBar->AddFolder(g_LoadString(QLatin1String(folder.captionKey)), folder.data);
    int position = 0;
    for (const NavItem& item : kNavItems)
        wndBar->InsertItem(item.folder, position++, g_LoadString(QLatin1String(item.captionKey)),
                           item.image, 0);
    wndBar->SetSelFolder(0);

    connect(wndBar, &CGfxOutBarCtrl::itemClicked, this,
            [this](int index) { OnOutbarNotify(kOutbarItemClicked, index); });
    connect(wndBar, &CGfxOutBarCtrl::folderChanged, this,
            [this](int index) { OnOutbarNotify(kOutbarFolderChanged, index); });
}

int CMainFrame::OnOutbarNotify(int code, int value)
{
    if (code != kOutbarItemClicked)
        return 0;
    if (const auto action = NavigationAction(wndBar->GetFolderData(), value))
        RunNavigation(*action);
    return 0;
}

void CMainFrame::RunNavigation(NavAction action)
{
    switch (action) {
    case NavAction::CommSettings:
        OnCommSettings();
        break;
    case NavAction::Help:
        OnHelpTopic();
        break;
    case NavAction::ParameterManagement:
        OpenDisplayParameters(this, m_app.prompt(), dialogChannel(m_app.channel(), m_app.clock()));
        break;
    case NavAction::AutoTest:
        // No code is asked for a test that cannot be made on this bus.
        if (confirmOneInverterOnBus(m_app.prompt(), ProfileFile(g_szSettingPath())))
            PasswordDisplay(m_app.prompt(), AccessEntry::AutoTest,
                            [this] { openTestView(this, m_app.prompt()); });
        break;
    }
}

void CMainFrame::OnCommSettings()
{
    MonitorEngine& engine = m_app.session().engine();
    InverterSlotHooks hooks{
        [&engine](int slot) { return engine.busSlots().status(slot).lastSeen; },
        [&engine](int slot) { engine.forgetSlot(slot); }};
    CComCfgDlg dialog(m_app.channel(), m_app.prompt(), this, std::move(hooks));
    dialog.exec();
}

void CMainFrame::OnTest()
{
    if (!confirmOneInverterOnBus(m_app.prompt(), ProfileFile(g_szSettingPath())))
        return;
    PasswordDisplay(m_app.prompt(), AccessEntry::TestButton, [this] {
        openManualTest(this, m_app.prompt(), m_app.channel(), m_app.clock());
    });
}

void CMainFrame::OnUpdateSoftware()
{
    m_app.updater().OnUpdateSoftware(m_monitorPane);
}

void CMainFrame::OnRocker(int slot)
{
    OpenGridParameters(this, m_app.prompt(), dialogChannel(m_app.channel(), m_app.clock()), slot);
}

void CMainFrame::OnHelpTopic()
{
    const QString path = g_szCurPath() + kHelpFile;
    if (QFileInfo::exists(path) && m_app.OpenDocument(path))
        return;
    m_app.prompt().message(QStringLiteral("Cann't find MarovikHlp.chm !"), {}, PromptButtons::Ok,
                           PromptIcon::None);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    const PromptAnswer answer = m_app.prompt().message(
        g_LoadString(QStringLiteral("IDC_EXITINFORMATION")), {}, PromptButtons::YesNo,
        PromptIcon::Question);
    if (answer != PromptAnswer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    m_app.ExitProgram();
}

bool CMainFrame::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::ActivationChange:
    case QEvent::WindowStateChange:
    case QEvent::WindowTitleChange:
        SchedulePin();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void CMainFrame::SchedulePin()
{
    if (m_pinScheduled)
        return;
    m_pinScheduled = true;
    QTimer::singleShot(0, this, &CMainFrame::PinSize);
}

void CMainFrame::PinSize()
{
    m_pinScheduled = false;
    if (!isVisible() || isMinimized())
        return;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        return; // the state change brings another pin
    }
    // The size holds the outer frame; the client area is what the decorations leave of it.
    // Where the window stands is the user's choice.
    const QSize decorations = frameGeometry().size() - geometry().size();
    const QSize client = kMainFramePin.size() - decorations;
    if (size() != client)
        setFixedSize(client);
}

} // namespace veltroma
