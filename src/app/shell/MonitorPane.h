#pragma once

class QWidget;

namespace veltroma {

class CDesignApp;
class CMainFrame;

// The main window's third column: the monitor form, wired to the application and the frame.
QWidget* CreateMonitorPane(CDesignApp& app, CMainFrame& frame);

} // namespace veltroma
