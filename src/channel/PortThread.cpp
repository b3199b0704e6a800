#include "channel/PortThread.h"

#include <algorithm>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace veltroma {

bool hasLineError(const QSerialPort& port)
{
    const auto error = port.error();
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

bool isDeviceLost(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::PermissionError
        || error == QSerialPort::DeviceNotFoundError;
}

PortThread::PortThread(Clock& clock, Clock& backoffClock)
    : m_clock(clock), m_backoffClock(backoffClock), m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

void PortThread::keepReopening(PortWatcher watcher)
{
    std::lock_guard lifecycle(m_lifecycle);
    m_watcher = std::move(watcher);
}

PortThread::~PortThread()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void PortThread::wake()
{
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0)
        (void)::write(m_wakeFd, &one, sizeof one);
}

bool PortThread::waitForDevice(QSerialPort& port)
{
    if (m_wakeFd < 0 || port.handle() < 0) {
        // No descriptor to wait on: the port's own wait, a slice at a time.
        port.waitForReadyRead(kPollMs);
        return true;
    }
    const short deviceEvents = POLLIN | (port.bytesToWrite() > 0 ? POLLOUT : 0);
    pollfd fds[2] = {{static_cast<int>(port.handle()), deviceEvents, 0}, {m_wakeFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0)
        return true;
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        (void)::read(m_wakeFd, &count, sizeof count);
    }
    if (fds[0].revents & POLLOUT)
        port.flush();
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
        port.waitForReadyRead(0);  // the port takes in what is queued, or learns its error
    return (fds[0].revents & (POLLHUP | POLLERR)) == 0 || port.bytesAvailable() > 0;
}

bool PortThread::start(Opener open, Receiver receive, PortFailure* failure)
{
    std::lock_guard lifecycle(m_lifecycle);
    stopThread();
    m_stop = false;
    m_receive = std::move(receive);

    // The thread owns the promise, so it is still there while the thread reports through it.
    auto opened = std::make_shared<std::promise<OpenResult>>();
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
    const OpenResult outcome = result.get();
    if (outcome.ok)
        return true;
    if (failure)
        *failure = outcome.failure;
    if (!m_watcher) {
        m_thread->wait();
        m_thread.reset();
    }
    return false;
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
    {
        std::lock_guard lock(m_stopMutex);
        m_stop = true;
    }
    m_stopWake.notify_all();
    wake();
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
    wake();
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

void PortThread::threadMain(const Opener& open, std::promise<OpenResult>& opened)
{
    QSerialPort port;
    // The failure at start is the starter's to report; the tries after it report only a
    // different one.
    QSerialPort::SerialPortError lastFailure = QSerialPort::NoError;
    if (!open(port)) {
        lastFailure = port.error();
        opened.set_value({false, {port.error(), port.errorString()}});
        if (!m_watcher)
            return;
    } else {
        acceptCalls(port);
        opened.set_value({true, {}});
        if (serve(port))
            return;
    }

    // From here on the device is gone until it opens again.
    auto delay = kFirstReopenDelayMs;
    while (waitBeforeReopening(delay)) {
        delay = std::min(delay * 2, kLongestReopenDelayMs);
        port.close();
        port.clearError();
        if (!open(port)) {
            // One report per kind of failure, not one per try.
            if (port.error() != lastFailure)
                m_watcher->openFailed(port.error(), port.errorString());
            lastFailure = port.error();
            continue;
        }
        acceptCalls(port);
        m_watcher->reopened();
        if (serve(port))
            return;
        delay = kFirstReopenDelayMs;
        lastFailure = QSerialPort::NoError;
    }
}

bool PortThread::serve(QSerialPort& port)
{
    QSerialPort::SerialPortError lost = QSerialPort::NoError;
    while (!m_stop) {
        serveCalls();
        if (port.bytesAvailable() > 0) {
            m_receive(port);
            continue;
        }
        const bool stillThere = waitForDevice(port);
        if (m_stop)
            break;
        if (port.bytesAvailable() > 0) {
            m_receive(port);
            continue;
        }
        auto error = port.error();
        if (!stillThere && !isDeviceLost(error))
            error = QSerialPort::ResourceError;  // hung up without a word: gone all the same
        if (m_watcher && isDeviceLost(error)) {
            lost = error;
            break;
        }
        port.clearError();
        // A device in trouble (a cable pulled, a peer gone) may fail every wait at once;
        // pausing keeps the thread from spinning until it recovers or is closed.
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            QThread::msleep(kPollMs);
    }

    // Why it was lost is on record before anyone can see the port closed.
    if (lost != QSerialPort::NoError)
        m_watcher->lost(lost, port.errorString());
    m_running = false;
    refuseCalls();
    m_port = nullptr;
    port.close();
    return lost == QSerialPort::NoError;
}

bool PortThread::waitBeforeReopening(std::int64_t ms)
{
    std::unique_lock lock(m_stopMutex);
    m_backoffClock.waitFor(m_stopWake, lock, ms, [this] { return m_stop.load(); });
    return !m_stop;
}

void PortThread::acceptCalls(QSerialPort& port)
{
    m_port = &port;
    {
        std::lock_guard lock(m_callMutex);
        m_accepting = true;
    }
    m_running = true;
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
