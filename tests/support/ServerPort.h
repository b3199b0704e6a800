#pragma once

#include <QHostAddress>
#include <QTcpServer>

#include <random>

namespace veltroma::test {

// Which tests take a port for a server they start in another process (a broker, the program's
// web view). Each kind draws from a range of its own below the one the system hands out for
// port 0 and for outgoing connections, so that between the probe and the server's own listen
// neither another kind's server nor a client socket of a test running beside it takes it.
enum class ServerPortRange { Broker, WebView };

// A loopback port free now in the range of `range`; 0 when none was found.
inline quint16 freeServerPort(ServerPortRange range)
{
    constexpr int kBrokerFirst = 20000;
    constexpr int kWebViewFirst = 26000;
    constexpr int kRangeSize = 6000;
    const int first = range == ServerPortRange::Broker ? kBrokerFirst : kWebViewFirst;
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(first, first + kRangeSize - 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto port = static_cast<quint16>(pick(random));
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, port))
            return port;
    }
    return 0;
}

} // namespace veltroma::test
