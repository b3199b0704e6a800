#pragma once

#include "app/view/MonitorViewActions.h"
#include "controls/ImageList.h"

#include <QMainWindow>

#include <cstdint>

namespace veltroma {

class CDesignApp;
class CGfxOutBarCtrl;
class CProgressDlg;
class CSplitterWndEx;
enum class NavAction;

// The program's only top-level window: the start dialog first, then a split window with the
// navigation bar, the empty document view and the monitor form. Its size is fixed; it opens
// at one place on the screen, can be moved, and asks before the program ends. What the form's buttons open, it
// opens.
class CMainFrame final : public QMainWindow, public MonitorViewActions {
    Q_OBJECT

public:
    // Notification codes of the navigation bar.
    static constexpr int kOutbarItemClicked = 1;
    static constexpr int kOutbarFolderChanged = 5;
    // The navigation bar's width; the empty view's column has none.
    static constexpr int kNavigationWidth = 150;

    explicit CMainFrame(CDesignApp& app);
    ~CMainFrame() override;

    // Runs the start dialog and builds the client area; false when the start dialog was not
    // left with OK (the program then ends without a window).
    bool OnCreateClient();

    // The navigation bar's report: code 1 with the clicked item; every other code is ignored.
    int OnOutbarNotify(int code, int value);
    // Opens the help file, or says that it is missing.
    void OnHelpTopic();
    // The communication settings dialog.
    void OnCommSettings();

    // MonitorViewActions
    void OnSelectCom() override { OnCommSettings(); }
    void OnHelp() override { OnHelpTopic(); }
    void OnTest() override;
    void OnRocker(int slot) override;
    void OnUpdateSoftware() override;

    // The registration progress the monitor form shows.
    [[nodiscard]] CProgressDlg& ProgressDialog() const { return *m_Dlg; }

    [[nodiscard]] CGfxOutBarCtrl* NavigationBar() const { return wndBar; }
    [[nodiscard]] CSplitterWndEx* Splitter() const { return wndSplitter; }
    [[nodiscard]] QWidget* MonitorPane() const { return m_monitorPane; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildNavigationBar();
    void RunNavigation(NavAction action);
    // Puts the window back to its fixed size, out of maximised or full-screen state, once
    // the current event is done.
    void SchedulePin();
    void PinSize();

    CDesignApp& m_app;
    CSplitterWndEx* wndSplitter = nullptr;
    CGfxOutBarCtrl* wndBar = nullptr;
    QWidget* m_designView = nullptr;
    QWidget* m_monitorPane = nullptr;
    CProgressDlg* m_Dlg; // a child window
    ImageList imaLarge;
    ImageList imaSmall;
    bool m_pinScheduled = false;
};

} // namespace veltroma
