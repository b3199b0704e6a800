#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include <sys/types.h>

class QFileDevice;

namespace veltroma {

// What the program writes is for its user alone, whatever the umask: its settings may hold
// a broker password, its records and parameter backups describe the plant. Files are 0600,
// folders 0700; a file written anew keeps no permission of group and others. Every function
// here may be called from any thread.
inline constexpr mode_t kPrivateFileMode = 0600;
inline constexpr mode_t kPrivateFolderMode = 0700;
// The permission bits of group and others, which a private file or folder never has.
inline constexpr mode_t kSharedModeBits = 0077;

// Gives `file`, open for writing, the mode 0600. Meant for a QSaveFile between its open and
// its commit: the content never appears with wider permissions. False when the file system
// keeps no Unix modes (FAT) or refuses; the content can still be written, and the start-up
// reports what stays readable by others.
bool makeOpenFilePrivate(QFileDevice& file);

// Creates the folder `path` and any missing folder above it with the mode 0700, whatever the
// umask; a folder that exists is left as it is. Empty when `path` is a folder now, otherwise
// the system's reason (e.g. "Not a directory").
std::optional<QString> makePrivateFolder(const QString& path);

// What removing the access of group and others found.
struct Tightening {
    struct Refusal {
        QString path;
        QString reason; // the system's
    };
    QStringList tightened;       // the paths it was removed from
    std::vector<Refusal> failed; // the paths the system refused
};

// Removes every permission of group and others from `path` and, with `recursive`, from
// everything below it. Symbolic links are neither changed nor followed, so nothing outside
// the tree is touched; a missing path is no error. The findings are added to `result`.
void removeSharedAccess(const QString& path, bool recursive, Tightening& result);

} // namespace veltroma
