#include "config/ProfileDocument.h"

#include "config/GbkCodec.h"

#include <QtEndian>

namespace veltroma {
namespace {

const QByteArray kUtf16Bom("\xFF\xFE", 2);

// The platform trims ASCII blanks only; a full-width space belongs to the text.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QString trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString stripQuotes(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// Splits at LF; a CR before the LF belongs to the line end.
template <typename Text, typename Ending>
void splitLines(const Text& all, Ending onLine)
{
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype lf = all.indexOf('\n', start);
        if (lf < 0) {
            onLine(all.sliced(start), false, false);
            return;
        }
        const bool cr = lf > start && all.at(lf - 1) == '\r';
        onLine(all.sliced(start, lf - start - (cr ? 1 : 0)), true, cr);
        start = lf + 1;
    }
}

QString endingOf(bool lf, bool cr)
{
    if (!lf)
        return {};
    return cr ? QStringLiteral("\r\n") : QStringLiteral("\n");
}

QString fromUtf16Le(const QByteArray& bytes, qsizetype offset)
{
    const qsizetype units = (bytes.size() - offset) / 2;
    QString text(units, Qt::Uninitialized);
    const auto* src = reinterpret_cast<const uchar*>(bytes.constData() + offset);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(src + 2 * i));
    return text;
}

void appendUtf16Le(QByteArray& out, const QString& text)
{
    for (const QChar c : text) {
        const quint16 unit = qToLittleEndian<quint16>(c.unicode());
        out.append(reinterpret_cast<const char*>(&unit), 2);
    }
}

} // namespace

ProfileDocument ProfileDocument::parse(const QByteArray& bytes)
{
    ProfileDocument doc;
    if (bytes.startsWith(kUtf16Bom)) {
        // Code units are copied as they are, so even a stray surrogate survives a write.
        doc.encoding_ = ProfileEncoding::Utf16Le;
        splitLines(fromUtf16Le(bytes, kUtf16Bom.size()), [&](const QString& line, bool lf, bool cr) {
            doc.lines_.push_back({line, {}, endingOf(lf, cr)});
        });
        return doc;
    }
    // GBK trail bytes never take the value of LF, so 8-bit lines can be split as bytes.
    GbkDecoder decoder;
    splitLines(bytes, [&](const QByteArray& raw, bool lf, bool cr) {
        GbkText decoded = decoder.decode(raw);
        doc.lossless_ = doc.lossless_ && decoded.clean;
        doc.lines_.push_back({std::move(decoded.text), raw, endingOf(lf, cr)});
    });
    return doc;
}

std::optional<ProfileDocument::Entry> ProfileDocument::entryOf(const QString& lineText)
{
    const QString line = trimBlanks(lineText);
    if (line.isEmpty() || line.front() == u'[' || line.front() == u';')
        return std::nullopt;
    const qsizetype eq = line.indexOf(u'=');
    Entry entry;
    entry.name = eq < 0 ? line : trimBlanks(QStringView(line).first(eq));
    if (entry.name.isEmpty())
        return std::nullopt;
    if (eq >= 0)
        entry.value = trimBlanks(QStringView(line).sliced(eq + 1));
    return entry;
}

std::optional<QString> ProfileDocument::sectionNameOf(const QString& lineText)
{
    const QString line = trimBlanks(lineText);
    if (!line.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = line.indexOf(u']');
    return trimBlanks(close < 0 ? QStringView(line).sliced(1)
                                : QStringView(line).sliced(1, close - 1));
}

std::optional<ProfileDocument::SectionRange> ProfileDocument::findSection(QStringView section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionNameOf(lines_[i].text);
        if (!name || name->compare(section, Qt::CaseInsensitive) != 0)
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !sectionNameOf(lines_[end].text))
            ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileDocument::findKey(const SectionRange& range, QStringView key) const
{
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const auto entry = entryOf(lines_[i].text);
        if (entry && entry->name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

std::optional<QString> ProfileDocument::value(QStringView section, QStringView key) const
{
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const auto at = findKey(*range, key);
    if (!at)
        return std::nullopt;
    return stripQuotes(entryOf(lines_[*at].text)->value);
}

QString ProfileDocument::lineEnding() const
{
    for (const Line& line : lines_) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return QStringLiteral("\r\n");
}

std::optional<ProfileDocument::Line> ProfileDocument::makeLine(const QString& text)
{
    if (encoding_ == ProfileEncoding::Gbk) {
        if (auto raw = encodeGbk(text))
            return Line{text, *raw, lineEnding()};
        if (!lossless_)
            return std::nullopt;
        // Every line decoded exactly, so its text is the whole truth and can change encoding.
        encoding_ = ProfileEncoding::Utf16Le;
        for (Line& line : lines_)
            line.raw.clear();
    }
    return Line{text, {}, lineEnding()};
}

void ProfileDocument::insertLine(std::size_t at, Line line)
{
    if (at > 0 && lines_[at - 1].ending.isEmpty())
        lines_[at - 1].ending = line.ending;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool ProfileDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;

    const auto range = findSection(section);
    if (range) {
        if (const auto at = findKey(*range, key)) {
            // The key keeps its spelling in the file.
            auto line = makeLine(entryOf(lines_[*at].text)->name + u'=' + value);
            if (!line)
                return false;
            line->ending = lines_[*at].ending;
            lines_[*at] = std::move(*line);
            return true;
        }
        auto line = makeLine(key + u'=' + value);
        if (!line)
            return false;
        // After the section's last non-blank line, so blank lines keep separating sections.
        std::size_t at = range->end;
        while (at > range->header + 1 && trimBlanks(lines_[at - 1].text).isEmpty())
            --at;
        insertLine(at, std::move(*line));
        return true;
    }

    auto header = makeLine(u'[' + section + u']');
    auto line = makeLine(key + u'=' + value);
    if (!header || !line)
        return false;
    insertLine(lines_.size(), std::move(*header));
    insertLine(lines_.size(), std::move(*line));
    return true;
}

QByteArray ProfileDocument::serialize() const
{
    QByteArray out;
    if (encoding_ == ProfileEncoding::Utf16Le) {
        out = kUtf16Bom;
        for (const Line& line : lines_) {
            appendUtf16Le(out, line.text);
            appendUtf16Le(out, line.ending);
        }
        return out;
    }
    for (const Line& line : lines_) {
        out += line.raw;
        out += line.ending.toLatin1();
    }
    return out;
}

} // namespace veltroma
