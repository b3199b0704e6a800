#include "ControlInput.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace veltroma::sim {

std::vector<std::string> LineInput::readLines()
{
    std::vector<std::string> lines;
    // One read per call: standard input may be a blocking terminal shared with a shell.
    std::array<char, 512> chunk{};
    ssize_t got;
    do {
        got = ::read(fd_, chunk.data(), chunk.size());
    } while (got < 0 && errno == EINTR);
    if (got > 0)
        partial_.append(chunk.data(), static_cast<std::size_t>(got));
    else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
        ended_ = true;
    std::size_t end;
    while ((end = partial_.find('\n')) != std::string::npos) {
        lines.push_back(partial_.substr(0, end));
        partial_.erase(0, end + 1);
    }
    if (ended_ && !partial_.empty()) {
        lines.push_back(partial_);
        partial_.clear();
    }
    return lines;
}

ControlFifo::ControlFifo(const std::string& path) : path_(path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISFIFO(st.st_mode))
            throw std::runtime_error(path + " exists and is no named pipe");
    } else {
        if (::mkfifo(path.c_str(), 0600) != 0)
            throw std::runtime_error("mkfifo " + path + ": " + std::strerror(errno));
        created_ = true;
    }
    readFd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    keeperFd_ = readFd_ < 0 ? -1 : ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (keeperFd_ < 0) {
        const std::string error = std::strerror(errno);
        if (readFd_ >= 0)
            ::close(readFd_);
        if (created_)
            ::unlink(path.c_str());
        throw std::runtime_error("open " + path + ": " + error);
    }
    input_ = LineInput(readFd_);
}

ControlFifo::~ControlFifo()
{
    ::close(keeperFd_);
    ::close(readFd_);
    if (created_)
        ::unlink(path_.c_str());
}

} // namespace veltroma::sim
