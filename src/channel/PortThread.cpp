#include "channel/PortThread.h"

#include <algorithm>

namespace veltroma {

bool hasLineError(const QSerialPort& port)
{
    const auto error = port.error();
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

PortThread::PortThread(Clock& clock) : m_clock(clock) {}

PortThread::~PortThread()
{
    stop();
}

bool PortThread::start(Opener open, Receiver receive)
{
    std::lock_guard lifecycle(m_lifecycle);
    stopThread();
    m_stop = false;
    m_receive = std::move(receive);

    // The thread owns the promise, so it is still there while the thread reports through it.
    auto opened = std::make_shared<std::promise<bool>>();
    auto result = opened->get_future();
    m_thread.reset(QThread::create([this, open = std::move(open), opened] {
        threadMain(open, *opened);
    }));
    m_thread->start();
    if (!m_thread->isRunning() && !m_thread->isFinished()) {
        // The thread could not be created; nothing was opened.
        m_thread.reset();
        return false;
    }
    if (!result.get()) {
        m_thread->wait();
        m_thread.reset();
        return false;
    }
    return true;
}

void PortThread::stop()
{
    std::lock_guard lifecycle(m_lifecycle);
    stopThread();
}

void PortThread::stopThread()
{
    if (!m_thread)
        return;
    m_running = false;
    m_stop = true;
    m_thread->wait();
    m_thread.reset();
}

bool PortThread::run(const Call& call)
{
    Pending pending{&call};
    std::unique_lock lock(m_callMutex);
    if (!m_accepting)
        return false;
    m_calls.push_back(&pending);
    m_callDone.wait(lock, [&pending] { return pending.done; });
    return pending.ran;
}

bool PortThread::pause(std::int64_t ms)
{
    // Sleeping the pause out in slices never makes it shorter than asked.
    for (auto left = ms; left > 0;) {
        serveCalls();
        if (m_stop)
            return false;
        const auto slice = std::min<std::int64_t>(left, kPollMs);
        m_clock.sleepMs(slice);
        left -= slice;
    }
    serveCalls();
    return !m_stop;
}

void PortThread::threadMain(const Opener& open, std::promise<bool>& opened)
{
    QSerialPort port;
    if (!open(port)) {
        opened.set_value(false);
        return;
    }
    m_port = &port;
    {
        std::lock_guard lock(m_callMutex);
        m_accepting = true;
    }
    m_running = true;
    opened.set_value(true);

    while (!m_stop) {
        serveCalls();
        if (port.bytesToWrite() > 0)
            port.flush();
        if (port.bytesAvailable() > 0 || port.waitForReadyRead(kPollMs)) {
            m_receive(port);
            continue;
        }
        const bool lineError = hasLineError(port);
        port.clearError();
        // A device in trouble (a cable pulled, a peer gone) may fail every wait at once;
        // pausing keeps the thread from spinning until it recovers or is closed.
        if (lineError)
            QThread::msleep(kPollMs);
    }

    refuseCalls();
    m_port = nullptr;
    port.close();
}

void PortThread::serveCalls()
{
    for (;;) {
        Pending* next = nullptr;
        {
            std::lock_guard lock(m_callMutex);
            if (m_calls.empty())
                return;
            next = m_calls.front();
            m_calls.pop_front();
        }
        (*next->call)(*m_port);
        {
            std::lock_guard lock(m_callMutex);
            next->ran = true;
            next->done = true;
        }
        m_callDone.notify_all();
    }
}

void PortThread::refuseCalls()
{
    {
        std::lock_guard lock(m_callMutex);
        m_accepting = false;
        for (auto* pending : m_calls)
            pending->done = true;
        m_calls.clear();
    }
    m_callDone.notify_all();
}

} // namespace veltroma
