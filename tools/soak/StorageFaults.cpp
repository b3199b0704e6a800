#include "StorageFaults.h"


#include <QFile>

namespace veltroma::soak {

void setDiskFull(bool full)
{
    (void)full;
}

bool damageFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    return file.resize(file.size() / 2);
}

} // namespace veltroma::soak
