#include "storage/AtomicFile.h"

#include "base/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstring>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltroma {

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The name of the new content while it is written: hidden, beside the target, marked with
// the writer's process id so that what a killed writer left can be told apart.
QString pendingPrefix(const QString& targetName)
{
    return QStringLiteral(".") + targetName + u'.';
}

// Removes what writers of the same target that were killed mid-write left behind.
void removeAbandoned(const QFileInfo& target)
{
    const QString prefix = pendingPrefix(target.fileName());
    const QDir folder = target.absoluteDir();
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!name.startsWith(prefix) || !name.endsWith(QLatin1String(".tmp")))
            continue;
        const QStringList parts = name.mid(prefix.size()).split(u'.');
        bool isNumber = false;
        const pid_t writer = parts.size() == 3 ? static_cast<pid_t>(parts[0].toLong(&isNumber)) : 0;
        if (isNumber && writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH)
            QFile::remove(folder.filePath(name));
    }
}

// The new content until it is renamed into place: removed unless it got there.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.isEmpty() && !m_placed)
            ::unlink(m_path.constData());
    }

    // A new file beside `target` under a name no other writer uses.
    bool create(const QByteArray& folder, const QString& targetName)
    {
        static std::atomic<unsigned> serial{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray path = folder + '/' + QFile::encodeName(pendingPrefix(targetName)) +
                                    QByteArray::number(::getpid()) + '.' + QByteArray::number(serial++) + ".tmp";
            m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFileMode);
            if (m_fd >= 0) {
                m_path = path;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool writeAll(QByteArrayView content) const
    {
        qsizetype done = 0;
        while (done < content.size()) {
            const ssize_t n = ::write(m_fd, content.data() + done, static_cast<size_t>(content.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                errno = EIO;
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }

    bool closeFile()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] const QByteArray& path() const { return m_path; }
    void placed() { m_placed = true; }

private:
    int m_fd = -1;
    QByteArray m_path;
    bool m_placed = false;
};

std::mutex saveFaultMutex;
std::optional<SaveFault> saveFault;

std::optional<SaveFault> currentSaveFault()
{
    const std::lock_guard lock(saveFaultMutex);
    return saveFault;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<FileStamp> stampOfOpenFile(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::int64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

void setSaveFault(std::optional<SaveFault> fault)
{
    const std::lock_guard lock(saveFaultMutex);
    saveFault = fault;
}

ReplaceResult replaceFile(const QString& path, QByteArrayView content)
{
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const auto failure = [&path](int error) {
        return ReplaceResult{false, QStringLiteral("Cannot write %1: %2").arg(path, systemError(error)), {}};
    };

    PendingFile pending;
    if (!pending.create(folder, info.fileName()))
        return failure(errno);
    // Set, not left to the umask. A file system without Unix modes (FAT) refuses; its mount
    // options decide there, and the start-up says what others can read.
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    ::fchmod(pending.fd(), replacing ? old.st_mode & 07777 & ~kSharedModeBits : kPrivateFileMode);
    if (const auto fault = currentSaveFault(); fault && content.size() > fault->largerThan) {
        std::this_thread::sleep_for(fault->delay);
        if (fault->error != 0) {
            if (!pending.writeAll(content.first(std::max<qsizetype>(0, fault->largerThan))))
                return failure(errno);
            return failure(fault->error);
        }
    }
    if (!pending.writeAll(content) || ::fsync(pending.fd()) != 0)
        return failure(errno);
    const auto stamp = stampOfOpenFile(pending.fd());
    if (!stamp)
        return failure(errno);
    if (!pending.closeFile())
        return failure(errno);
    if (::rename(pending.path().constData(), target.constData()) != 0)
        return failure(errno);
    pending.placed();
    // The rename itself becomes durable with the folder's entry.
    syncFolder(folder);
    removeAbandoned(info);
    return ReplaceResult{true, {}, *stamp};
}

} // namespace veltroma
