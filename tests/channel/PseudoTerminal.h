#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <span>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace veltroma::test {

// A real pseudo-terminal: the port under test opens its slave side, the test plays the
// device on the master side.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        if (const char* name = ::ptsname(m_master))
            m_slavePath = QString::fromLocal8Bit(name);
    }
    ~PseudoTerminal() { hangUp(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    [[nodiscard]] bool ok() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    [[nodiscard]] const QString& slavePath() const { return m_slavePath; }
    [[nodiscard]] QString description(const QString& line = QStringLiteral("9600,8,N,1")) const
    {
        return m_slavePath + u',' + line;
    }

    // Bytes from the device to the port; false when they could not all go within a second.
    bool send(std::span<const std::uint8_t> bytes)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
            const auto written = ::write(m_master, bytes.data(), bytes.size());
            if (written > 0) {
                bytes = bytes.subspan(static_cast<std::size_t>(written));
                continue;
            }
            pollfd fd{m_master, POLLOUT, 0};
            ::poll(&fd, 1, 5);
        }
        return bytes.empty();
    }

    // Bytes the port wrote, collected until `count` have come or `timeoutMs` have passed.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs)
    {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, 5) <= 0 || (fd.revents & POLLIN) == 0)
                continue;
            std::uint8_t chunk[256];
            const auto got = ::read(m_master, chunk, sizeof chunk);
            if (got > 0)
                bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return bytes;
    }

    // True while no one has the slave side open.
    [[nodiscard]] bool slaveClosed() const
    {
        pollfd fd{m_master, POLLIN, 0};
        return ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP) != 0;
    }

    // The line settings of the slave side, as the port set them.
    [[nodiscard]] termios settings() const
    {
        termios t{};
        ::tcgetattr(m_master, &t);
        return t;
    }

    // The device goes away.
    void hangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slavePath;
};

} // namespace veltroma::test
