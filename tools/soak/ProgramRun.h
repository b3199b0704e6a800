#pragma once

#include "SoakClock.h"
#include "SoakTimers.h"

#include "monitor/MonitorSession.h"

#include <array>
#include <atomic>

namespace veltroma::soak {

// One run of the headless program in virtual time: the monitoring session as the logger
// owns it, with the shipped schedule on the virtual clock's timers, counting the losses and
// recording failures it reports.
class ProgramRun {
public:
    struct Setup {
        SoakClock& clock;
        ByteLink& link;
        QString programFolder;
        ReplyDecoder::WallClock wallClock;
        Recorder& recorder;
        // The inverters on the bus and their serials, as setting.ini would name them.
        InverterSlots inverters = {};
    };

    explicit ProgramRun(Setup setup);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    void start() { session_.start(); }
    // Removes the timers, ends the worker within its exchange and waits for the saves.
    void stop() { session_.stop(); }

    [[nodiscard]] MonitorSession& session() { return session_; }
    [[nodiscard]] int lossesReported() const { return losses_.load(); }
    // Times the recorder began to fail (a failed save after good ones).
    [[nodiscard]] int recordingFailuresReported() const { return recordingFailures_.load(); }
    // With several inverters: times slot k (1..6) was lost on its own, and was given its
    // address (by serial or after a query).
    [[nodiscard]] int slotLosses(int slot) const { return slotLosses_.at(std::size_t(slot)).load(); }
    [[nodiscard]] int assignments(int slot) const { return assignments_.at(std::size_t(slot)).load(); }

private:
    SoakTimers timers_;
    MonitorSession session_;
    std::atomic<int> losses_{0};
    std::atomic<int> recordingFailures_{0};
    bool recordingFailing_ = false; // the save thread's
    std::array<std::atomic<int>, InverterSlots::kMaxCount + 1> slotLosses_{};
    std::array<std::atomic<int>, InverterSlots::kMaxCount + 1> assignments_{};
};

} // namespace veltroma::soak
