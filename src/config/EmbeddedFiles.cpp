#include "config/EmbeddedFiles.h"

#include "base/PrivateFiles.h"

#include <QFile>
#include <QSaveFile>

namespace veltroma {

std::optional<QByteArray> embeddedFile(int id)
{
    QFile resource(QStringLiteral(":/embedded/%1").arg(id));
    if (!resource.open(QIODevice::ReadOnly))
        return std::nullopt;
    return resource.readAll();
}

bool MakeResource(int id, const QString& path)
{
    const auto bytes = embeddedFile(id);
    if (!bytes)
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    makeOpenFilePrivate(file);
    if (file.write(*bytes) != bytes->size())
        return false;
    return file.commit();
}

} // namespace veltroma
