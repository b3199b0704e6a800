#include "channel/AsynCom.h"

#include "channel/PortFault.h"

namespace veltroma {

namespace {

QSerialPort::Parity toQtParity(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return QSerialPort::NoParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        break;
    }
    return QSerialPort::SpaceParity;
}

bool openDevice(QSerialPort& port, const QString& device, const LineSettings& line)
{
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    // Only the line settings are applied, after the open and unchecked: a device that
    // refuses one keeps what it had. Flow control stays off, DTR and RTS low.
    if (line.baudRate > 0)
        port.setBaudRate(line.baudRate);
    if (line.dataBits >= QSerialPort::Data5 && line.dataBits <= QSerialPort::Data8)
        port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    port.setParity(toQtParity(line.parity));
    port.setStopBits(line.stopBits == StopBits::Two ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.setDataTerminalReady(false);
    port.setRequestToSend(false);
    port.clear(QSerialPort::AllDirections);
    port.clearError();
    return true;
}

} // namespace

asyn_com::~asyn_com()
{
    close();
}

bool asyn_com::open_port()
{
    close();
    m_openFailure.clear();
    PortFailure failure;
    const bool opened = m_thread.start(
        [device = m_device, line = _dcb](QSerialPort& port) { return openDevice(port, device, line); },
        [this](QSerialPort& port) { on_receive(port); }, &failure);
    if (!opened)
        m_openFailure = describePortFault(failure.error, m_device, failure.text);
    return opened;
}

void asyn_com::close()
{
    m_thread.stop();
}

int asyn_com::write(std::span<const std::uint8_t> data)
{
    if (!is_open())
        return 0;
    m_clock.sleepMs(kPortPauseMs);
    int written = 0;
    m_thread.run([&](QSerialPort& port) { written = send(port, data); });
    return written;
}

int asyn_com::send(QSerialPort& port, std::span<const std::uint8_t> data)
{
    // This runs on the thread that fills the ring, so no byte can reach the ring between
    // emptying it and starting the write: every byte after this point answers this request.
    m_ring.reset();
    port.clear(QSerialPort::Input);
    ++m_sends;
    if (hasLineError(port))
        port.clear(QSerialPort::Output);
    port.clearError();
    const auto accepted = port.write(reinterpret_cast<const char*>(data.data()),
                                     static_cast<qint64>(data.size()));
    if (accepted <= 0)
        return 0;
    port.flush();
    return static_cast<int>(accepted);
}

int asyn_com::read(QSerialPort& port, std::span<std::uint8_t> buffer)
{
    const auto sendsBefore = m_sends;
    if (!m_thread.pause(kPortPauseMs) || m_sends != sendsBefore)
        return 0;
    port.waitForReadyRead(0);  // takes in what the device queued during the pause
    // More than the input queue holds counts as an overrun, a line error like any other.
    const bool lineError = hasLineError(port) || port.bytesAvailable() > kInputQueueSize;
    port.clearError();
    if (lineError) {
        port.clear(QSerialPort::Input);
        return 0;
    }
    const auto count = port.read(reinterpret_cast<char*>(buffer.data()),
                                 static_cast<qint64>(buffer.size()));
    return count > 0 ? static_cast<int>(count) : 0;
}

} // namespace veltroma
