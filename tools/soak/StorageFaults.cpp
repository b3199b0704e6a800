#include "StorageFaults.h"

#include "storage/AtomicFile.h"

#include <QFile>

namespace veltroma::soak {

void setDiskFull(bool full)
{
    setSaveFault(full ? std::optional<SaveFault>(SaveFault{ENOSPC, 0}) : std::nullopt);
}

bool damageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.resize(file.size() / 2);
}

} // namespace veltroma::soak
