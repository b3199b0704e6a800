#pragma once

#include "monitor/NoDisplay.h"
#include "monitor/EngineTimers.h"
#include "monitor/MonitorEngine.h"
#include "monitor/RecordingLog.h"

#include <QObject>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace veltroma {

class Recorder;

// The monitoring engine without a window, as if "Communication Connect" were turned on in
// realtime mode from the start: registration, polling, watchdog, registration again after a
// loss, and the once-a-second refresh. Every record row goes to `out` (fields separated by
// one tab) when it is built; link events and the link counters to `err`.
class HeadlessMonitor final : public QObject {
    Q_OBJECT
public:
    struct Setup {
        ByteLink& link;
        Clock& clock;
        QString programFolder;
        // The port in words, named when the link is lost.
        QString linkName;
        std::FILE* out;
        std::FILE* err;
        EngineTimerIntervals intervals = {};
    };

    explicit HeadlessMonitor(Setup setup, QObject* parent = nullptr);
    ~HeadlessMonitor() override;

    // Optional: receives the record row every 180 seconds while the link is alive.
    void setRecorder(Recorder* recorder) { engine_.setRecorder(recorder); }

    // The engine's events, for listeners beside the printed rows.
    [[nodiscard]] EngineEvents& events() { return engine_.events(); }

    // Runs the first refresh at once, which settles the registration progress and turns
    // the switch on (so the polls carry the read control code from the first on and the
    // watchdog counts from now), then starts the timers.
    void start();
    // Stops the timers and the worker; returns once the exchange in progress has ended.
    void stop();
    // Text that follows the link counters on their line, e.g. a publisher's counters.
    void setExtraCounters(std::function<QString()> text) { extraCounters_ = std::move(text); }
    // The link counters as one line on `err`.
    void printCounters();

private:
    void refresh();
    void syncRecordingTimer();
    void printRow(const QStringList& row);
    void printEvent(const QString& event);

    NoDisplay display_;
    ByteLink& link_;
    MonitorEngine engine_;
    std::FILE* out_;
    std::FILE* err_;
    RecordingLog recordingLog_;
    QTimer refreshTimer_;
    QTimer recordingTimer_;
    QTimer watchdogTimer_;
    std::function<QString()> extraCounters_;
};

} // namespace veltroma
