#pragma once

#include "monitor/HistoryPoints.h"
#include "monitor/HistoryReader.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

class QObject;

namespace veltroma {

// What to read: a day sheet, or a whole month file, which is first checked to be one.
struct HistoryReadRequest {
    QString file;
    QString sheet;
    HistoryReader::Mode mode = HistoryReader::Mode::OneDay;
    bool checkMonthFile = false;
};

// What a read gives the thread that asked for it.
struct HistoryReadResult {
    HistoryPoints points;
    HistoryReadEnd end = HistoryReadEnd::Complete;
    // Why nothing was read: the file asked to be checked is no month file.
    std::optional<MonthFileProblem> problem;
};

// One read of a month file on a thread of its own, so that the thread that asks - the UI
// thread, whose timers drive the engine's schedule - never waits for the file. Made, asked
// and destroyed on the thread of `context`, which runs a Qt event loop (the owner thread). The
// callbacks run there, by calls queued to `context`; none runs after the task is destroyed,
// and after cancel() only `ended` does, once the reading thread has returned. A callback may
// destroy the task.
class HistoryReadTask {
public:
    using Progress = std::function<void(int permille)>;
    using Done = std::function<void(const HistoryReadResult& result)>;
    using Ended = std::function<void()>;

    // Owner thread: starts reading at once.
    HistoryReadTask(HistoryReadRequest request, QObject& context, Progress progress, Done done,
                    Ended ended);
    // Owner thread: stops the read and waits for its thread (at most the load of the file,
    // which the storage layer bounds, plus one row).
    ~HistoryReadTask();
    HistoryReadTask(const HistoryReadTask&) = delete;
    HistoryReadTask& operator=(const HistoryReadTask&) = delete;

    // Owner thread: the read stops before its next row; progress and done are not called again.
    void cancel() { stop_.request_stop(); }
    [[nodiscard]] bool cancelled() const { return stop_.stop_requested(); }
    // Any thread: whether the reading thread has returned, so that destroying costs no wait.
    [[nodiscard]] bool finished() const { return finished_.load(); }

private:
    // What the queued calls need; they hold it weakly, so the task's end silences them.
    struct Listeners {
        Listeners(Progress p, Done d, Ended e, std::stop_token s)
            : progress(std::move(p)), done(std::move(d)), ended(std::move(e)), stop(std::move(s))
        {
        }

        Progress progress;
        Done done;
        Ended ended;
        std::stop_token stop;
        // The share read last, and whether a call to tell it is queued: the reading thread
        // queues one call at a time, so that progress never floods the owner's event loop.
        std::atomic<int> permille = 0;
        std::atomic<bool> progressQueued = false;
    };

    void run();
    template <typename Call>
    void post(Call call);

    HistoryReadRequest request_;
    QObject& context_;
    std::stop_source stop_;
    std::shared_ptr<Listeners> listeners_;
    std::atomic<bool> finished_ = false;
    // Last: it starts once everything above is set, and ends before any of it goes.
    std::jthread thread_;
};

} // namespace veltroma
