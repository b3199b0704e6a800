#pragma once

#include "app/view/FormDisplay.h"
#include "app/view/HistoryReview.h"
#include "app/view/MonitorForm.h"
#include "app/view/PlotHistory.h"
#include "app/view/SlotSwitchPresenter.h"
#include "app/view/StatusLine.h"
#include "config/Strings.h"
#include "monitor/MonitorSession.h"
#include "monitor/QueuedDisplay.h"
#include "monitor/RecordPaths.h"

#include <QDate>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace veltroma {

class LinkHealthPanel;
class MonitorViewActions;
class Prompt;
class RegistrationProgress;

// The main form: live values of the inverter in a list, on a power gauge, two energy
// counters and state lamps; a trend plot of one quantity; a rotary switch for the program's
// five modes; and history review on the same plot. It presents the monitoring session it is
// handed (whose schedule refreshes it every second) and tells the session what its mode and
// connect switch are; the session records.
class CMonitorView final : public QWidget {
    Q_OBJECT
public:
    struct Setup {
        // The session the form presents and switches; it outlives the form.
        MonitorSession& session;
        Prompt& prompt;
        MonitorViewActions& actions;
        // Shown while the connect switch registers; none: the count runs unseen.
        RegistrationProgress* progress = nullptr;
        // The localized texts, and the local time of the plot and the status line.
        ReplyDecoder::StringLoader loadString = g_LoadString;
        ReplyDecoder::WallClock wallClock = [] { return QDateTime::currentDateTime(); };
        // The port in use, for the status line; none: the line names no port.
        std::function<QString()> portName;
    };

    // Runs the form's start: controls, captions, list; the session's refresh drives it from now.
    CMonitorView(Setup setup, QWidget* parent = nullptr);
    // Lets go of the session, which goes on without a form.
    ~CMonitorView() override;

    CMonitorView(const CMonitorView&) = delete;
    CMonitorView& operator=(const CMonitorView&) = delete;

    // The form's part of the once-a-second refresh, after the engine's: lamps, plot points,
    // history step, slot switches, counters and the status line.
    void OnTimer1iThreadTimersX1();

    [[nodiscard]] const MonitorEngine& engine() const { return session_.engine(); }
    // The counters panel of Debug mode, for what the owner adds to it (the publisher's).
    [[nodiscard]] LinkHealthPanel& linkPanel() { return *linkPanel_; }
    [[nodiscard]] const HistoryReview& history() const { return history_; }
    [[nodiscard]] const StatusLine& statusLine() const { return statusLine_; }
    // The mode applied last (0 realtime, 1 parameter management, 2 history review or open
    // data file, 3 debug).
    [[nodiscard]] int iSwitchRotaryX_state() const { return iSwitchRotaryX_state_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitialUpdate();
    void setUpCaptions();
    void setUpList();
    void fitListColumns();
    void connectControls();

    void OnPositionChangeiSwitchRotaryX1();
    void OnPositionChangeiSwitchSliderX1();
    void OnChangeUseriSwitchLEDX0();
    void OnOpenDataFile();
    void OnExportCsv();
    void applyMode(int position);

    void refreshRealtime();
    void appendPlotPoints();
    void breakCurves();
    void showCurvesAndSlots(int position);
    // What the refresh finds: the mode and the connect switch.
    [[nodiscard]] RefreshState refreshState() const;
    void lampsOff();
    void showLinkCounters();
    void toggle(CiLedRectangleX* lamp);
    void setRockersVisible(bool visible);
    [[nodiscard]] QString currentRecordFile() const;
    void showStatusLine();

    Setup setup_;
    MonitorSession& session_;
    MonitorEngine& engine_;
    MonitorForm form_;
    FormDisplay display_;
    QueuedDisplay queuedDisplay_;
    PlotHistory plotHistory_;
    HistoryReview history_;
    SlotSwitchPresenter slotSwitch_;
    StatusLine statusLine_;
    LinkHealthPanel* linkPanel_ = nullptr; // child of the form
    RecordPaths recordPaths_;
    QDate GraphTime_;
    int iSwitchRotaryX_state_ = 0;
    int appliedPosition_ = 0;
    // Set while the plot's curves end in a live value: a break in them is still to be drawn
    // when values stop being live.
    bool plotLive_ = false;
    QPixmap background_;
};

} // namespace veltroma
