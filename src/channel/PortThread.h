#pragma once

#include "base/Clock.h"

#include <QSerialPort>
#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>

namespace veltroma {

// True when the port reports a fault of the line or the device; a wait that merely timed
// out is none.
[[nodiscard]] bool hasLineError(const QSerialPort& port);

// True when the fault means the device itself is gone or unusable (unplugged, its node
// removed, access taken away), so that only closing and opening it again can help.
[[nodiscard]] bool isDeviceLost(QSerialPort::SerialPortError error);

// Why a device could not be opened: the port's error and its own text for it.
struct PortFailure {
    QSerialPort::SerialPortError error = QSerialPort::NoError;
    QString text;
};

// What the port's thread tells its owner about the device, on the port's thread.
struct PortWatcher {
    std::function<void(QSerialPort::SerialPortError, const QString&)> lost;
    std::function<void(QSerialPort::SerialPortError, const QString&)> openFailed;
    std::function<void()> reopened;
};

// A QSerialPort may only be used on the thread that made it. A PortThread is that thread for
// one open device: it opens the device, waits for incoming bytes and hands them to a
// receiver, and carries out, in order, the calls that other threads hand to it.
// The thread sleeps in one wait on the device and on a wake-up descriptor, so it uses no
// processor while the line is quiet; a handed-over call or stop() wakes it at once.
//
// When told to keep reopening, the thread outlives its device: a device that is lost (or
// could not be opened at start) is closed and opened again after 1 s, then 2, 4, ... up to
// 30 s between tries, waiting on a condition variable that stop() wakes.
class PortThread {
public:
    using Opener = std::function<bool(QSerialPort&)>;
    using Receiver = std::function<void(QSerialPort&)>;
    using Call = std::function<void(QSerialPort&)>;

    static constexpr int kPollMs = 10;
    static constexpr std::int64_t kFirstReopenDelayMs = 1000;
    static constexpr std::int64_t kLongestReopenDelayMs = 30000;

    // `clock` times the pauses of the exchanges; `backoffClock` the waits between reopening
    // tries, which follow a device that comes back in real time.
    explicit PortThread(Clock& clock, Clock& backoffClock = steadyClock());

    // From the next start on, a lost device or a failed open is retried, and `watcher` is
    // told. Set before start().
    void keepReopening(PortWatcher watcher);
    ~PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Stops a running thread, then starts one that opens its port with `open`. Returns false
    // when the port cannot be opened; `failure` then holds why (unless null), and no thread
    // is left running unless it keeps reopening. `receive` runs on the thread whenever
    // received bytes are waiting.
    bool start(Opener open, Receiver receive, PortFailure* failure = nullptr);
    // Ends the thread, which closes its port, also in the middle of a reopening wait. Calls
    // still waiting are refused.
    void stop();
    // True while the device is open and usable.
    [[nodiscard]] bool running() const { return m_running; }

    // Runs `call` on the port thread and waits until it has run. False when the thread ended
    // first. Never used from the port thread itself.
    bool run(const Call& call);

    // On the port thread: waits `ms` through the clock while still carrying out handed-over
    // calls. False when the thread is told to stop meanwhile.
    bool pause(std::int64_t ms);

private:
    struct Pending {
        const Call* call;
        bool done = false;
        bool ran = false;
    };

    struct OpenResult {
        bool ok = false;
        PortFailure failure;
    };

    void threadMain(const Opener& open, std::promise<OpenResult>& opened);
    // Serves the open device until it is lost (false) or the thread is told to stop (true).
    bool serve(QSerialPort& port);
    // Waits out one reopening delay; false when told to stop meanwhile.
    bool waitBeforeReopening(std::int64_t ms);
    // The device is open: calls are taken and running() holds.
    void acceptCalls(QSerialPort& port);
    // Blocks until the device has something for us or the thread is woken; false when the
    // device hung up without saying why.
    bool waitForDevice(QSerialPort& port);
    void wake();
    void stopThread();
    void serveCalls();
    void refuseCalls();

    Clock& m_clock;
    Clock& m_backoffClock;
    std::optional<PortWatcher> m_watcher;
    std::mutex m_stopMutex;
    std::condition_variable m_stopWake;
    int m_wakeFd = -1;  // an eventfd that run() and stop() signal
    std::mutex m_lifecycle;  // start and stop
    std::unique_ptr<QThread> m_thread;
    Receiver m_receive;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    QSerialPort* m_port = nullptr;  // the port thread's own port, while it runs

    std::mutex m_callMutex;
    std::condition_variable m_callDone;
    std::deque<Pending*> m_calls;
    bool m_accepting = false;
};

} // namespace veltroma
