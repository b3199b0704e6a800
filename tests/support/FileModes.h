#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

namespace veltroma::test {

// The permission bits of a file or folder (a link itself, not what it points to); -1 when
// it is missing.
inline int modeOf(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

inline void setMode(const QString& path, int mode)
{
    ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
}

// The process's umask for one scope, as a shell or a service manager would have set it
// before the program started.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

} // namespace veltroma::test
