#include "base/PrivateFiles.h"

#include <QFile>
#include <QFileDevice>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace veltroma {

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString nameOf(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// Creates `path` after its missing parents. An errno value, 0 when `path` is a folder now.
int createFolder(const std::filesystem::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const std::filesystem::path parent = path.parent_path();
    if (!parent.empty() && parent != path) {
        if (const int error = createFolder(parent); error != 0)
            return error;
    }
    if (::mkdir(path.c_str(), kPrivateFolderMode) == 0) {
        // The umask may have taken the owner's own bits too.
        ::chmod(path.c_str(), kPrivateFolderMode);
        return 0;
    }
    // Made meanwhile by another thread or process: fine, when it is a folder.
    if (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return 0;
    return errno;
}

// Removes the access of group and others from one file or folder, never through a link.
void tightenOne(const std::filesystem::path& path, Tightening& result)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (error != ENOENT)
            result.failed.push_back({nameOf(path), reasonOf(error)});
        return;
    }
    if (S_ISLNK(st.st_mode) || (st.st_mode & kSharedModeBits) == 0)
        return;
    if (::chmod(path.c_str(), st.st_mode & 07777 & ~kSharedModeBits) == 0) {
        result.tightened << nameOf(path);
    } else {
        const int error = errno;
        result.failed.push_back({nameOf(path), reasonOf(error)});
    }
}

} // namespace

bool makeOpenFilePrivate(QFileDevice& file)
{
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

std::optional<QString> makePrivateFolder(const QString& path)
{
    const std::filesystem::path folder =
        std::filesystem::path(QFile::encodeName(path).toStdString()).lexically_normal();
    // "a/b/" names the folder "a/b", whose parent is "a".
    const int error = createFolder(folder.has_filename() ? folder : folder.parent_path());
    if (error != 0)
        return reasonOf(error);
    return std::nullopt;
}

void removeSharedAccess(const QString& path, bool recursive, Tightening& result)
{
    const std::filesystem::path top(QFile::encodeName(path).toStdString());
    tightenOne(top, result);
    struct stat st {};
    if (!recursive || ::lstat(top.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    std::error_code error;
    // Links to folders are not followed: the walk stays inside the tree.
    std::filesystem::recursive_directory_iterator entry(top, error);
    const std::filesystem::recursive_directory_iterator end;
    while (!error && entry != end) {
        tightenOne(entry->path(), result);
        entry.increment(error);
    }
    if (error)
        result.failed.push_back({path, QString::fromStdString(error.message())});
}

} // namespace veltroma
