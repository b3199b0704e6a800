#include "channel/BaseCom.h"

namespace veltroma {

bool base_com::Open(const QString& description)
{
    m_openFailure.clear();
    const auto parsed = parsePortDescription(description);
    if (!parsed)
        return false;
    const auto& line = parsed->line;
    set_dcb(line.baudRate, line.dataBits, line.parity, line.stopBits);
    if (parsed->port != 0)
        return open(parsed->port);
    _port = 0;
    m_device = parsed->device;
    return open_port();
}

bool base_com::open(int port)
{
    m_openFailure.clear();
    if (port < 1 || port > 9)
        return false;
    _port = port;
    m_device = comDeviceName(port);
    return open_port();
}

void base_com::set_dcb(int baudRate, int dataBits, Parity parity, StopBits stopBits)
{
    _dcb = {baudRate, dataBits, parity, stopBits};
}

} // namespace veltroma
