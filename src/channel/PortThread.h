#pragma once

#include "base/Clock.h"

#include <QSerialPort>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

namespace veltroma {

// True when the port reports a fault of the line or the device; a wait that merely timed
// out is none.
[[nodiscard]] bool hasLineError(const QSerialPort& port);

// A QSerialPort may only be used on the thread that made it. A PortThread is that thread for
// one open device: it opens the device, waits for incoming bytes and hands them to a
// receiver, and carries out, in order, the calls that other threads hand to it.
// Nothing on the thread blocks for longer than kPollMs, so stop() returns within a few
// milliseconds even while bytes keep arriving.
class PortThread {
public:
    using Opener = std::function<bool(QSerialPort&)>;
    using Receiver = std::function<void(QSerialPort&)>;
    using Call = std::function<void(QSerialPort&)>;

    static constexpr int kPollMs = 10;

    explicit PortThread(Clock& clock);
    ~PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Stops a running thread, then starts one that opens its port with `open`. Returns false,
    // with no thread left running, when the port cannot be opened. `receive` runs on the
    // thread whenever received bytes are waiting.
    bool start(Opener open, Receiver receive);
    // Ends the thread, which closes its port. Calls still waiting are refused.
    void stop();
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

    void threadMain(const Opener& open, std::promise<bool>& opened);
    void stopThread();
    void serveCalls();
    void refuseCalls();

    Clock& m_clock;
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
