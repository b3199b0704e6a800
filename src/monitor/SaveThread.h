#pragma once

#include "monitor/InverterModel.h"
#include "monitor/Recorder.h"
#include "monitor/RecordingState.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace veltroma {

// Runs the recorder on a thread of its own, so that no month-file save (with its flush to the
// disk) ever holds up the thread that asks for it. Record events are saved one after another
// in the order they were handed over; each result goes to `saved`, on the save thread.
class SaveThread {
public:
    using Saved = std::function<void(const RecordingState& state)>;
    // Record events that may wait at once; one more waits for room. At one event every 180 s
    // only saves slower than half an hour each fill it; a run in virtual time is held to the
    // pace of its saves instead of queueing without end.
    static constexpr std::size_t kMaxWaiting = 10;

    SaveThread(Recorder& recorder, Saved saved);
    // Saves everything handed over, then ends the thread.
    ~SaveThread();
    SaveThread(const SaveThread&) = delete;
    SaveThread& operator=(const SaveThread&) = delete;

    // Any thread: hands one record event over; returns at once unless kMaxWaiting wait.
    void save(InverterModel snapshot);
    // Any thread but the save thread: returns once every event handed over has been saved.
    void waitUntilSaved();

private:
    void run();

    Recorder& recorder_;
    Saved saved_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<InverterModel> waiting_;
    bool saving_ = false;
    bool ending_ = false;
    std::thread thread_;
};

} // namespace veltroma
