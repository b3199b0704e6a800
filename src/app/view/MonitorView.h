#pragma once

#include "app/view/FormDisplay.h"
#include "app/view/HistoryReview.h"
#include "app/view/MonitorForm.h"
#include "app/view/PlotHistory.h"
#include "app/view/StatusLine.h"
#include "config/Strings.h"
#include "monitor/DailyRecorder.h"
#include "monitor/EngineTimers.h"
#include "monitor/MonitorEngine.h"
#include "monitor/QueuedDisplay.h"
#include "monitor/RecordPaths.h"
#include "update/UpdateHost.h"

#include <QDate>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace veltroma {

class LinkHealthPanel;
class MonitorViewActions;
class Prompt;
class RegistrationProgress;
class UpdateChecker;

// The periods of the form's three thread timers: Timer1 refresh, Timer2 recording, Timer3
// watchdog.
using ViewTimerIntervals = EngineTimerIntervals;

// The main form: live values of the inverter in a list, on a power gauge, two energy
// counters and state lamps; a trend plot of one quantity; a rotary switch for the program's
// five modes; recording of the month files; and history review on the same plot. It owns
// the monitoring engine and drives it from its timers.
class CMonitorView final : public QWidget {
    Q_OBJECT
public:
    struct Setup {
        // The channel every exchange goes through, and the clock its waits use.
        ByteLink& link;
        Clock& clock;
        Prompt& prompt;
        MonitorViewActions& actions;
        // Shown while the connect switch registers; none: the count runs unseen.
        RegistrationProgress* progress = nullptr;
        // The program folder, ending with "/"; the record files live below it.
        QString programFolder;
        // The localized texts, and the local time of the records and the plot.
        ReplyDecoder::StringLoader loadString = g_LoadString;
        ReplyDecoder::WallClock wallClock = [] { return QDateTime::currentDateTime(); };
        UpdateHost updateHost = defaultUpdateHost();
        ViewTimerIntervals intervals{};
        // The port in use, for the status line; none: the line names no port.
        std::function<QString()> portName;
    };

    // Runs the form's start: record file, controls, captions, list, the refresh timer.
    CMonitorView(Setup setup, QWidget* parent = nullptr);
    // Stops the worker and the timers.
    ~CMonitorView() override;

    CMonitorView(const CMonitorView&) = delete;
    CMonitorView& operator=(const CMonitorView&) = delete;

    // The events of the thread timers.
    void OnTimer1iThreadTimersX1();
    void OnTimer2iThreadTimersX1();
    void OnTimer3iThreadTimersX1();

    [[nodiscard]] const MonitorEngine& engine() const { return *engine_; }
    // The engine's events, for listeners beside the form (publishers).
    [[nodiscard]] EngineEvents& events() { return engine_->events(); }
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
    void showCurvesAndSlots(int position);
    void syncTimers();
    void lampsOff();
    void showLinkCounters();
    void toggle(CiLedRectangleX* lamp);
    void setRockersVisible(bool visible);
    [[nodiscard]] QString currentRecordFile() const;
    void showStatusLine();

    Setup setup_;
    MonitorForm form_;
    FormDisplay display_;
    QueuedDisplay queuedDisplay_;
    PlotHistory plotHistory_;
    HistoryReview history_;
    DailyRecorder recorder_;
    StatusLine statusLine_;
    std::unique_ptr<MonitorEngine> engine_;
    std::unique_ptr<UpdateChecker> updater_;
    LinkHealthPanel* linkPanel_ = nullptr; // child of the form
    RecordPaths recordPaths_;
    QDate GraphTime_;
    int iSwitchRotaryX_state_ = 0;
    int appliedPosition_ = 0;
    // Set when the watchdog declares the link lost: the lamps stay dark until it is back.
    bool linkLost_ = false;
    // Set while the plot's curves end in a live value: a break in them is still to be drawn
    // when values stop being live.
    bool plotLive_ = false;
    QPixmap background_;
};

} // namespace veltroma
