#include "config/ProfileFile.h"

#include "base/PrivateFiles.h"
#include "config/ProfileDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace veltroma {
namespace {

// A missing file reads as an empty document; a file that exists but cannot be read does not,
// so a write never replaces what it could not read.
std::optional<ProfileDocument> load(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return ProfileDocument::parse(file.readAll());
    if (QFileInfo::exists(path))
        return std::nullopt;
    return ProfileDocument{};
}

QString cutToCapacity(QString text, int capacity)
{
    const qsizetype limit = std::max(capacity - 1, 0);
    if (text.size() <= limit)
        return text;
    qsizetype keep = limit;
    // Never leave half of a surrogate pair behind.
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    text.truncate(keep);
    return text;
}

} // namespace

QString ProfileFile::read(const QString& section, const QString& key, const QString& defaultValue,
                          int capacity) const
{
    const auto doc = load(path_);
    std::optional<QString> value;
    if (doc)
        value = doc->value(section, key);
    return cutToCapacity(value.value_or(defaultValue), capacity);
}

bool ProfileFile::write(const QString& section, const QString& key, const QString& value) const
{
    auto doc = load(path_);
    if (!doc || !doc->setValue(section, key, value))
        return false;
    QSaveFile file(path_);
    // Where the folder forbids the temporary file, write in place rather than not at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // setting.ini may hold the broker's password.
    makeOpenFilePrivate(file);
    const QByteArray bytes = doc->serialize();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace veltroma
