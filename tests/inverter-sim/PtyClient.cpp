#include "PtyClient.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace veltroma::test {

PtyClient::PtyClient(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
    tcflush(fd_, TCIOFLUSH);
}

PtyClient::~PtyClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PtyClient::send(const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else
            ::usleep(1000);
    }
}

Bytes PtyClient::read(std::size_t count, int timeoutMs)
{
    using namespace std::chrono;
    Bytes got;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    while (got.size() < count) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t chunk[256];
        const ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, count - got.size()));
        if (n > 0)
            got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

Bytes PtyClient::drain(int ms)
{
    return read(4096, ms);
}

int PtyClient::readChar()
{
    std::uint8_t byte = 0;
    return ::read(fd_, &byte, 1) == 1 ? byte : -1;
}

bool PtyClient::hungUp(int timeoutMs)
{
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

Bytes PtyClient::exchange(const Bytes& request, std::size_t count)
{
    send(request);
    return read(count);
}

Bytes frame(std::uint8_t control, std::uint8_t function, std::uint8_t destinationLow,
            const Bytes& data, std::uint8_t destinationHigh)
{
    Bytes f{0x43, 0x5A, 0x00, 0x00, destinationHigh, destinationLow, control, function,
            static_cast<std::uint8_t>(data.size())};
    f.insert(f.end(), data.begin(), data.end());
    const unsigned s = sum(f, f.size());
    f.push_back(static_cast<std::uint8_t>(s >> 8));
    f.push_back(static_cast<std::uint8_t>(s & 0xFF));
    return f;
}

Bytes concat(Bytes head, const Bytes& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

unsigned sum(const Bytes& bytes, std::size_t count)
{
    unsigned s = 0;
    for (std::size_t i = 0; i < count && i < bytes.size(); ++i)
        s += bytes[i];
    return s;
}

bool isValidReply(const Bytes& reply)
{
    if (reply.size() < 11 || reply[0] != 0xAA || reply[1] != 0xAA || reply[5] != 0x00
        || reply[7] < 0x80 || reply.size() != reply[8] + 11u)
        return false;
    const std::size_t end = reply.size() - 2;
    return word(reply, end) == sum(reply, end);
}

unsigned word(const Bytes& reply, std::size_t at)
{
    return reply.at(at) * 256u + reply.at(at + 1);
}

std::uint32_t longWord(const Bytes& reply, std::size_t at)
{
    return word(reply, at) << 16 | word(reply, at + 2);
}

} // namespace veltroma::test
