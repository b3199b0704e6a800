#pragma once

#include <QString>

#include <utility>

namespace veltroma {

// Reads and writes one key of one section of an INI file, as the platform's
// private-profile functions do. Nothing is cached: every call goes to the file, so a change
// made by another call, another thread or by hand is seen at once.
class ProfileFile {
public:
    // What a read into the program's usual 1000-character buffer can hold.
    static constexpr int kDefaultCapacity = 1000;

    explicit ProfileFile(QString path) : path_(std::move(path)) {}

    [[nodiscard]] const QString& path() const { return path_; }

    // The value, or `defaultValue` when the file, the section or the key is missing; cut to
    // `capacity` - 1 characters like a read into a buffer of that size.
    [[nodiscard]] QString read(const QString& section, const QString& key,
                               const QString& defaultValue = {},
                               int capacity = kDefaultCapacity) const;

    // Stores the value, creating the file (8-bit) and the section when missing and keeping
    // every other line as it was. The file is replaced in one step, so a reader never sees
    // half of it, and is 0600 afterwards (see base/PrivateFiles.h). False when the file cannot be read or written, or cannot carry the text.
    bool write(const QString& section, const QString& key, const QString& value) const;

private:
    QString path_;
};

} // namespace veltroma
