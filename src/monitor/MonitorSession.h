#pragma once

#include "monitor/DailyRecorder.h"
#include "monitor/EngineSchedule.h"
#include "monitor/MonitorEngine.h"
#include "monitor/SaveThread.h"

#include <QObject>

#include <memory>
#include <mutex>

namespace veltroma {

// One monitoring session on one link: the engine, the recorder on its save thread and the
// schedule that drives both. The application owns one for the window, the headless runner one
// for the logger, the soak one per simulated program run. Whoever shows the values (the form)
// is handed the session and presents what it reports; the session never waits for it.
//
// Threads: made, started, stopped and destroyed on the timers' thread (the user-interface
// thread in the program); the engine's events come from the threads their signals name.
class MonitorSession final : public QObject {
    Q_OBJECT
public:
    struct Setup {
        ByteLink& link;
        Clock& clock;
        ScheduleTimers& timers;
        // The program folder, ending with "/"; the record files go below it.
        QString programFolder;
        ReplyDecoder::StringLoader loadString;
        ReplyDecoder::WallClock wallClock;
        // The port in words, for the reason of a loss; empty: not named.
        QString linkName = {};
        EngineTimerIntervals intervals = {};
        // The record events go here; none: the session's own recorder of the month files.
        Recorder* recorder = nullptr;
        // The inverters on the bus, and where a serial found on it is kept (see MonitorEngine).
        InverterSlots inverters = {};
        std::function<bool(int slot, const QString& serial)> keepSerial = {};
    };

    explicit MonitorSession(Setup setup, QObject* parent = nullptr);
    // Stops, then saves what was handed to the save thread.
    ~MonitorSession() override;
    MonitorSession(const MonitorSession&) = delete;
    MonitorSession& operator=(const MonitorSession&) = delete;

    // What the refresh finds; by default unattended (switched on at the first refresh), as
    // the logger runs. The window gives its mode and connect switch. Set before start().
    void setRefreshSource(EngineSchedule::RefreshSource source);
    // Where the decoder's display updates go, on the worker thread (a QueuedDisplay of the
    // form); none: nowhere. Returns once no update goes to the one before.
    void setDisplay(DisplayUpdates* display);

    // When the first refresh comes: at once (the logger, which switches on with it) or one
    // period after the start, as the window's timer always gave it.
    enum class FirstRefresh { Now, AfterOnePeriod };

    // Makes sure this month's record file exists, then starts the schedule.
    void start(FirstRefresh first = FirstRefresh::Now);
    // Stops the schedule and the worker (within its exchange) and waits for the saves handed
    // over so far. The session can be started again.
    void stop();
    // Returns once every record event so far has been saved (any thread but the save thread).
    void waitUntilSaved() { saves_.waitUntilSaved(); }

    [[nodiscard]] MonitorEngine& engine() { return engine_; }
    [[nodiscard]] const MonitorEngine& engine() const { return engine_; }
    [[nodiscard]] EngineSchedule& schedule() { return schedule_; }
    [[nodiscard]] EngineEvents& events() { return engine_.events(); }
    [[nodiscard]] const QString& programFolder() const { return programFolder_; }
    // The link the session talks through, for its counters.
    [[nodiscard]] ByteLink& link() { return link_; }

signals:
    // After the engine's part of every refresh: the form presents.
    void refreshed();
    // The timers' thread, for each row the record tick hands to the recorder: the reading it
    // was built from.
    void rowRecorded(const veltroma::Reading& reading);

private:
    // Forwards the decoder's updates to the display of the moment.
    class DisplayRelay final : public DisplayUpdates {
    public:
        void setTarget(DisplayUpdates* target);
        void setListText(int row, int column, const QString& text) override;
        void setPowerGauge(double kilowatts, const QString& label) override;
        void setEnergyOdometers(double today, double total) override;
        void setStateLamp(int slot, ColorRef color, const QString& text) override;
        void setSlotCaption(int slot, const QString& caption) override;

    private:
        template <typename Call>
        void forward(Call call);
        std::mutex mutex_;
        DisplayUpdates* target_ = nullptr;
    };

    void recordTick();

    ByteLink& link_;
    QString programFolder_;
    ReplyDecoder::WallClock wallClock_;
    EngineSchedule::RefreshSource refreshSource_;
    DisplayRelay display_;
    MonitorEngine engine_;
    std::unique_ptr<DailyRecorder> ownRecorder_;
    SaveThread saves_;
    EngineSchedule schedule_;
};

} // namespace veltroma
