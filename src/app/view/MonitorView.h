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
#include <vector>

namespace veltroma {

class HistoryProgress;
class LinkHealthPanel;
class MonitorViewActions;
class Prompt;
class RegistrationProgress;

// The main form: live values of the inverters on the bus in a list (a row per slot), on a
// power gauge and two energy counters (their sums) and a state lamp per slot; a trend plot of
// one quantity with a set of curves per slot, shown by the slots' switches; a rotary switch
// for the program's five modes; and history review of one slot's records on the same plot. It presents the monitoring session it is
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
    // How many inverters the form shows (the bus's count when it was made), 1..6.
    [[nodiscard]] int slotCount() const { return form_.layout.slotCount(); }
    // The slot history review and "Open Data File" read: the first whose switch is on, else 1.
    [[nodiscard]] int activeSlot() const;
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
    void breakCurves(int slot);
    // Whether `slot`'s values in `model` are live ones to plot.
    [[nodiscard]] bool slotLive(const InverterModel& model, int slot) const;
    void colourSlots();
    void slotRegistered(int slot, const QString& serial);
    void slotLost(int slot);
    void severalAnswering();
    void showCurvesAndSlots(int position);
    // What the refresh finds: the mode and the connect switch.
    [[nodiscard]] RefreshState refreshState() const;
    void lampsOff();
    void showLinkCounters();
    void toggle(CiLedRectangleX* lamp);
    void setRockersVisible(bool visible);
    [[nodiscard]] QString currentRecordFile() const;
    // The folder of `slot`'s record files, ending with "/".
    [[nodiscard]] QString recordFolder(int slot) const;
    void showStatusLine();

    Setup setup_;
    MonitorSession& session_;
    MonitorEngine& engine_;
    MonitorForm form_;
    FormDisplay display_;
    QueuedDisplay queuedDisplay_;
    PlotHistory plotHistory_;
    HistoryReview history_;
    // One per slot on the bus; slot k's is entry k - 1.
    std::vector<SlotSwitchPresenter> slotSwitches_;
    StatusLine statusLine_;
    LinkHealthPanel* linkPanel_ = nullptr; // child of the form
    HistoryProgress* historyProgress_ = nullptr; // child of the form
    RecordPaths recordPaths_;
    QDate GraphTime_;
    int iSwitchRotaryX_state_ = 0;
    int appliedPosition_ = 0;
    // Per slot, set while its curves end in a live value: a break in them is still to be
    // drawn when its values stop being live.
    PerSlot<bool> plotLive_{};
    // Per slot, with several on the bus: it answers (a reading came since it was lost or the
    // link went); only then does its lamp blink and its curves grow.
    PerSlot<bool> answering_{};
    // The user has been told this connection that several inverters answer at once.
    bool severalTold_ = false;
    QPixmap background_;
};

} // namespace veltroma
