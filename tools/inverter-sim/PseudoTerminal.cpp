#include "PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace veltroma::sim {

namespace {

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void makeRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        fail("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        fail("tcsetattr");
}

} // namespace

PseudoTerminal::PseudoTerminal(const std::string& linkPath) : linkPath_(linkPath)
{
    open();
}

void PseudoTerminal::open()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        fail("posix_openpt");
    std::array<char, 128> name{};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0
        || ptsname_r(master_, name.data(), name.size()) != 0) {
        const int saved = errno;
        ::close(master_);
        master_ = -1;
        errno = saved;
        fail("pseudo-terminal setup");
    }
    slavePath_ = name.data();
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        ::close(master_);
        master_ = -1;
        fail("open " + slavePath_);
    }
    try {
        makeRaw(slave_);
        if (!linkPath_.empty()) {
            // A link left behind by an earlier run is replaced; anything else is kept.
            struct stat st{};
            if (::lstat(linkPath_.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
                ::unlink(linkPath_.c_str());
            if (::symlink(slavePath_.c_str(), linkPath_.c_str()) != 0)
                fail("symlink " + linkPath_);
        }
    } catch (...) {
        ::close(slave_);
        ::close(master_);
        slave_ = master_ = -1;
        throw;
    }
}

void PseudoTerminal::removeLink()
{
    if (linkPath_.empty())
        return;
    std::error_code error;
    // Only our own link: another run may have taken the name over meanwhile.
    if (std::filesystem::read_symlink(linkPath_, error) == slavePath_)
        ::unlink(linkPath_.c_str());
}

void PseudoTerminal::unplug()
{
    if (!plugged())
        return;
    removeLink();
    ::close(slave_);
    ::close(master_);
    slave_ = master_ = -1;
}

void PseudoTerminal::plugIn()
{
    if (!plugged())
        open();
}

PseudoTerminal::~PseudoTerminal()
{
    unplug();
}

} // namespace veltroma::sim
