#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>

namespace veltroma {

// What the file system says about one version of a file: a file changed or replaced since
// has another stamp.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file open on `fd`.
[[nodiscard]] std::optional<FileStamp> stampOfOpenFile(int fd);

struct ReplaceResult {
    bool ok = false;
    QString error;   // when not ok
    FileStamp stamp; // of the new file, when ok
};

// Replaces the file at `path` by `content` so that the path holds either the old content or
// the new one, whole, whatever happens meanwhile (a crash, a kill, a full disk, a power cut):
// the content goes to a new file in the same folder, is flushed to the disk, and only then
// renamed over the old one. The new file is its owner's alone: 0600, or the old file's
// permissions without those of group and others, whatever the umask. On failure the old
// file is untouched and the partial new one removed; what a writer killed mid-write left
// behind is removed by the next successful replace of the same file.
[[nodiscard]] ReplaceResult replaceFile(const QString& path, QByteArrayView content);

// Stands in for a full disk, a quota or a slow disk in tests: while set, every replace whose
// content is larger than `largerThan` bytes first takes `delay` longer, then writes that much
// and fails with `error` as the system would, leaving the old file as it was; with `error` 0
// it succeeds after the delay.
struct SaveFault {
    int error = ENOSPC;
    qsizetype largerThan = 0;
    std::chrono::milliseconds delay{0};
};
void setSaveFault(std::optional<SaveFault> fault);

} // namespace veltroma
