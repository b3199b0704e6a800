#pragma once

#include "monitor/DisplayUpdates.h"
#include "monitor/MonitorEngine.h"
#include "monitor/RecordingLog.h"

#include <QObject>
#include <QTimer>

#include <cstdio>

namespace veltroma {

class Recorder;

// The monitoring engine without a window, as if "Communication Connect" were turned on in
// realtime mode: registration, polling, watchdog and the once-a-second refresh. Every record
// row goes to `out` (fields separated by one tab) when it is built; link events to `err`.
class HeadlessMonitor final : public QObject {
    Q_OBJECT
public:
    HeadlessMonitor(ByteLink& link, Clock& clock, const QString& programFolder, std::FILE* out,
                    std::FILE* err, QObject* parent = nullptr);
    ~HeadlessMonitor() override;

    // Optional: receives the record row every 180 seconds while the link is alive.
    void setRecorder(Recorder* recorder) { engine_.setRecorder(recorder); }

    // Starts the refresh; the switch goes on at the first refresh, once registration has
    // been settled, so the polls carry the read control code from the first on.
    void start();
    // Stops the timers and the worker; returns once the exchange in progress has ended.
    void stop();

private:
    // The headless program shows nothing.
    class NoDisplay final : public DisplayUpdates {
    public:
        void setListText(int, int, const QString&) override {}
        void setPowerGauge(double, const QString&) override {}
        void setEnergyOdometers(double, double) override {}
        void setStateLamp(int, ColorRef, const QString&) override {}
        void setSlotCaption(int, const QString&) override {}
    };

    void refresh();
    void syncRecordingTimer();
    void printRow(const QStringList& row);
    void printEvent(const char* event);

    NoDisplay display_;
    MonitorEngine engine_;
    std::FILE* out_;
    std::FILE* err_;
    bool switchOn_ = false;
    RecordingLog recordingLog_;
    QTimer refreshTimer_;
    QTimer recordingTimer_;
    QTimer watchdogTimer_;
};

} // namespace veltroma
