#pragma once

#include "base/Clock.h"
#include "channel/PortDescription.h"
#include "channel/RxRing.h"

#include <QString>

namespace veltroma {

// The pause before every write and before every batch of received bytes: a request leaves
// no sooner than this after it is handed over, and a reply reaches the ring as one block.
inline constexpr std::int64_t kPortPauseMs = 269;

// The serial port as the program knows it: a port description, the line settings, and the
// receive ring that outlives every open and close.
class base_com {
public:
    explicit base_com(Clock& clock) : m_clock(clock) {}
    virtual ~base_com() = default;
    base_com(const base_com&) = delete;
    base_com& operator=(const base_com&) = delete;

    // Opens the port that `description` names ("COM3,9600,8,N,1", "/dev/ttyUSB0,9600,8,N,1",
    // or a name alone for 9600 8N1).
    // A description that does not parse, or a port digit outside 1..9, is refused without
    // touching any device; a port that is open stays open then.
    bool Open(const QString& description);
    // Opens COMn (n 1..9) with the line settings stored last.
    bool open(int port);
    // Stores the line settings the next open applies.
    void set_dcb(int baudRate, int dataBits, Parity parity, StopBits stopBits);

    virtual bool open_port() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool is_open() const = 0;

    // 1..9 after COMn was opened, 0 when a device path was.
    [[nodiscard]] int port() const { return _port; }
    [[nodiscard]] const QString& device() const { return m_device; }
    [[nodiscard]] const LineSettings& lineSettings() const { return _dcb; }
    // Why the last open of a device failed, in words for the user; empty when the last
    // open succeeded or was refused before any device was touched.
    [[nodiscard]] const QString& openFailure() const { return m_openFailure; }

protected:
    Clock& m_clock;
    RxRing m_ring;
    int _port = 0;
    QString m_device;
    LineSettings _dcb;
    QString m_openFailure;
};

} // namespace veltroma
