#pragma once

#include "monitor/EngineLink.h"

#include <QString>

#include <atomic>
#include <optional>

namespace veltroma {

class DisplayUpdates;
class SharedModel;
class Watchdog;

// The registration progress dialog as the refresh drives it.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void setRange(unsigned maximum) = 0;
    virtual void setPosition(unsigned position) = 0;
    virtual void close() = 0;
};

// Gives the one inverter on the link its bus address: clears every address, asks the
// inverter without one for its serial number and assigns it address 1. Runs off the
// user-interface thread (the switch's own thread or the worker between two cycles), under the
// link lock for the whole unit. Also counts the ten seconds of registration progress on the
// once-a-second refresh (user-interface thread).
class Registration {
public:
    Registration(EngineLink& link, EngineFlags& flags, SharedModel& model,
                 DisplayUpdates& display, Watchdog& watchdog);

    void setProgressDisplay(ProgressDisplay* progress) { progress_ = progress; }

    // The whole registration as one unit on the link: ClearRegM, a 20 ms pause, RegM, all
    // under the link lock. Returns the inverter's serial number; none when no validated
    // answer came (then nothing was assigned) or when the program is ending.
    std::optional<QString> Register();
    // Any thread, at the end of the program: a registration in progress stops before its
    // next frame.
    void stop() { stopping_ = true; }

    // The progress count starts (the switch went on with the channel open).
    void startProgress() { RegistStartFlg_ = 1; }
    // The progress dialog has returned: the count starts again from 0.
    void progressClosed() { CurPos_ = 0; }
    // Once a second, from the display refresh, in every mode.
    void RegistProgressBar();

    [[nodiscard]] int RegistStartFlg() const { return RegistStartFlg_; }

private:
    // Two broadcasts that clear all bus addresses, 22 ms after each.
    void ClearRegM();
    // The serial-number query and, only after a validated answer, the assignment of
    // address 1; returns the serial number.
    std::optional<QString> RegM();

    EngineLink& link_;
    EngineFlags& flags_;
    SharedModel& model_;
    DisplayUpdates& display_;
    Watchdog& watchdog_;
    ProgressDisplay* progress_ = nullptr;
    std::atomic<bool> stopping_{false};
    int RegistStartFlg_ = 0;
    unsigned CurPos_ = 0;
    unsigned m_Range_ = 100;
};

} // namespace veltroma
