#pragma once

#include "channel/BaseCom.h"
#include "channel/PortThread.h"

#include <cstdint>
#include <span>

namespace veltroma {

// The bytes a port may hold queued between two batches.
inline constexpr qint64 kInputQueueSize = 8192;

// The serial device on a thread of its own (QSerialPort may only be used on one thread):
// opening, the write that empties the ring first, and the batch read, with their pauses
// and their handling of line errors. What happens to received bytes is the subclass's.
class asyn_com : public base_com {
public:
    explicit asyn_com(Clock& clock) : base_com(clock), m_thread(clock) {}
    ~asyn_com() override;

    // Closes an open port first, then opens the device with the stored line settings and
    // empties both directions of its queues. On failure openFailure() says why.
    bool open_port() override;
    // From the next open on, a device that is lost or cannot be opened is opened again by
    // the port's thread with a growing pause, and `watcher` hears of it.
    void keepReopening(PortWatcher watcher) { m_thread.keepReopening(std::move(watcher)); }
    // Stops the port's thread and closes the device; returns within a few milliseconds.
    void close() override;
    [[nodiscard]] bool is_open() const override { return m_thread.running(); }

    // After the pause, empties the ring, drops whatever the device received before the
    // request, and starts writing the whole block. Returns the bytes handed to the device;
    // 0 at once when the port is closed. Callers ignore the result.
    int write(std::span<const std::uint8_t> data);

protected:
    // On the port's thread, whenever bytes have arrived.
    virtual void on_receive(QSerialPort& port) = 0;

    // On the port's thread: after the pause, moves up to buffer.size() queued bytes into
    // `buffer` and returns their count. A line error or an overrun of the input queue drops
    // the queued bytes and gives 0, and so does a request sent during the pause (its send
    // dropped them already).
    int read(QSerialPort& port, std::span<std::uint8_t> buffer);

private:
    int send(QSerialPort& port, std::span<const std::uint8_t> data);

    PortThread m_thread;
    std::uint64_t m_sends = 0;  // requests sent; used on the port's thread only
};

} // namespace veltroma
