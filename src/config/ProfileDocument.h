#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace veltroma {

// How a settings or language file is stored: 8-bit GBK text, or UTF-16LE after a
// byte-order mark.
enum class ProfileEncoding { Gbk, Utf16Le };

// One INI file in memory, with the rules of the platform's private-profile functions:
// section and key names match without regard to case, values lose their surrounding
// blanks (and one pair of enclosing quotes), the first matching section and key count,
// lines before the first section and lines starting with ';' belong to no key.
// Changing a value rewrites that one line; every other line keeps its exact bytes, so a
// file edited by hand (comments, blank lines, odd bytes) survives a write.
class ProfileDocument {
public:
    // An empty document; written out, it becomes an 8-bit file.
    ProfileDocument() = default;
    static ProfileDocument parse(const QByteArray& bytes);

    [[nodiscard]] ProfileEncoding encoding() const { return encoding_; }

    [[nodiscard]] std::optional<QString> value(QStringView section, QStringView key) const;

    // Replaces the key's line, or adds the key after the last line of its section, or adds
    // the section at the end. Names or a value with a line break are refused (false): they
    // would plant other keys in the file. A GBK document that cannot carry the new text
    // becomes UTF-16LE, unless it holds bytes that would not survive that; then nothing
    // changes and the result is false.
    bool setValue(const QString& section, const QString& key, const QString& value);

    [[nodiscard]] QByteArray serialize() const;

private:
    struct Line {
        QString text;
        // In a GBK document: the line's bytes, exactly as read or as encoded when changed.
        QByteArray raw;
        QString ending; // "\r\n", "\n", or empty on a last line without a line end
    };

    struct Entry {
        QString name;
        QString value;
    };

    struct SectionRange {
        std::size_t header;
        std::size_t end; // one past the section's last line
    };

    [[nodiscard]] static std::optional<Entry> entryOf(const QString& lineText);
    [[nodiscard]] static std::optional<QString> sectionNameOf(const QString& lineText);
    [[nodiscard]] std::optional<SectionRange> findSection(QStringView section) const;
    [[nodiscard]] std::optional<std::size_t> findKey(const SectionRange& range,
                                                     QStringView key) const;
    [[nodiscard]] QString lineEnding() const;
    // The line ready to store, or empty when this document cannot carry its text.
    std::optional<Line> makeLine(const QString& text);
    void insertLine(std::size_t at, Line line);

    ProfileEncoding encoding_ = ProfileEncoding::Gbk;
    bool lossless_ = true; // every 8-bit line decoded without a bad byte
    std::vector<Line> lines_;
};

} // namespace veltroma
