#include "update/UpdateFiles.h"

#include <QFile>

namespace veltroma {

namespace {

constexpr qint64 versionReadLimit = 700;
constexpr qsizetype versionLength = 4;

} // namespace

QString pathInFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

std::optional<QString> readNeededVersion(const QString& versionFilePath)
{
    QFile file(versionFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray head = file.read(versionReadLimit);
    // The head is read as a C string: a NUL byte ends the text.
    if (const auto nul = head.indexOf('\0'); nul >= 0)
        head.truncate(nul);
    return QString::fromLatin1(head.right(versionLength));
}

bool isValidVersion(const QString& version)
{
    const auto dot = version.indexOf(u'.');
    if (dot <= 0 || dot == version.size() - 1 || version.indexOf(u'.', dot + 1) >= 0)
        return false;
    for (QChar c : version) {
        if (c != u'.' && (c < u'0' || c > u'9'))
            return false;
    }
    return true;
}

QString installerName(const QString& version)
{
    return QStringLiteral("Updatefile") + version + QStringLiteral(".exe");
}

} // namespace veltroma
