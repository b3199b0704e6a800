#include "channel/PortDescription.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

namespace veltroma {

namespace {

bool isBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads fields the way the description format has always been read: a word of up to a
// given number of non-blank characters, literal commas, signed decimal numbers and one
// character taken as it stands.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : m_rest(text) {}

    void skipBlanks()
    {
        while (!m_rest.empty() && isBlank(m_rest.front()))
            m_rest.remove_prefix(1);
    }

    [[nodiscard]] bool startsWith(char c) const { return !m_rest.empty() && m_rest.front() == c; }

    std::optional<std::string_view> word(std::size_t maxLength)
    {
        skipBlanks();
        std::size_t length = 0;
        while (length < maxLength && length < m_rest.size() && !isBlank(m_rest[length]))
            ++length;
        if (length == 0)
            return std::nullopt;
        return take(length);
    }

    std::optional<std::string_view> upTo(char stop)
    {
        const auto end = m_rest.find(stop);
        if (end == std::string_view::npos || end == 0)
            return std::nullopt;
        return take(end);
    }

    bool literal(char c)
    {
        if (!startsWith(c))
            return false;
        m_rest.remove_prefix(1);
        return true;
    }

    std::optional<int> number()
    {
        skipBlanks();
        bool negative = false;
        if (startsWith('+') || startsWith('-')) {
            negative = m_rest.front() == '-';
            m_rest.remove_prefix(1);
        }
        std::int64_t value = 0;
        std::size_t digits = 0;
        constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
        while (digits < m_rest.size() && std::isdigit(static_cast<unsigned char>(m_rest[digits]))) {
            value = value * 10 + (m_rest[digits] - '0');
            if (value > kLimit)
                return std::nullopt;
            ++digits;
        }
        if (digits == 0)
            return std::nullopt;
        m_rest.remove_prefix(digits);
        if (negative)
            value = -value;
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
        return static_cast<int>(value);
    }

    std::optional<char> character()
    {
        if (m_rest.empty())
            return std::nullopt;
        return take(1).front();
    }

private:
    std::string_view take(std::size_t length)
    {
        const auto taken = m_rest.substr(0, length);
        m_rest.remove_prefix(length);
        return taken;
    }

    std::string_view m_rest;
};

std::optional<LineSettings> readLineFields(FieldReader& reader)
{
    if (!reader.literal(','))
        return std::nullopt;
    const auto baud = reader.number();
    if (!baud || !reader.literal(','))
        return std::nullopt;
    const auto dataBits = reader.number();
    if (!dataBits || !reader.literal(','))
        return std::nullopt;
    const auto parity = reader.character();
    if (!parity || !reader.literal(','))
        return std::nullopt;
    const auto stop = reader.number();
    if (!stop)
        return std::nullopt;
    return LineSettings{*baud, *dataBits, parityFromLetter(*parity), stopBitsFromCount(*stop)};
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    const auto upper = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return upper(x) == upper(y);
           });
}

// A name without line settings: a device path, or COM1..COM9; always 9600 8N1.
std::optional<PortDescription> parseBareName(std::string_view name)
{
    // A line break in a name would split the settings file's line or a message.
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return std::iscntrl(static_cast<unsigned char>(c)) != 0; }))
        return std::nullopt;
    PortDescription description;
    if (name.starts_with('/')) {
        description.device = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        return description;
    }
    constexpr std::string_view kComPrefix = "COM";
    if (name.size() != kComPrefix.size() + 1
        || !equalsIgnoringCase(name.substr(0, kComPrefix.size()), kComPrefix))
        return std::nullopt;
    description.port = name.back() - '0';
    if (description.port < 1 || description.port > 9)
        return std::nullopt;
    description.device = comDeviceName(description.port);
    return description;
}

} // namespace

Parity parityFromLetter(char letter)
{
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'N':
        return Parity::None;
    case 'O':
        return Parity::Odd;
    case 'E':
        return Parity::Even;
    case 'M':
        return Parity::Mark;
    default:
        return Parity::Space;
    }
}

StopBits stopBitsFromCount(int count)
{
    return count == 2 ? StopBits::Two : StopBits::One;
}

QString comDeviceName(int port)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

std::optional<PortDescription> parsePortDescription(std::string_view text)
{
    // Older files always carry the line settings; a name alone is what people type.
    if (text.find(',') == std::string_view::npos)
        return parseBareName(trimmed(text));

    FieldReader reader(text);
    reader.skipBlanks();

    PortDescription description;
    if (reader.startsWith('/')) {
        const auto path = reader.upTo(',');
        if (!path)
            return std::nullopt;
        description.device = QString::fromUtf8(path->data(), static_cast<qsizetype>(path->size()));
    } else {
        constexpr std::size_t kNameLength = 4;
        const auto name = reader.word(kNameLength);
        if (!name || name->size() != kNameLength)
            return std::nullopt;
        description.port = (*name)[kNameLength - 1] - '0';
        if (description.port < 1 || description.port > 9)
            return std::nullopt;
        description.device = comDeviceName(description.port);
    }

    const auto line = readLineFields(reader);
    if (!line)
        return std::nullopt;
    description.line = *line;
    return description;
}

std::optional<PortDescription> parsePortDescription(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return parsePortDescription(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString portNameForUser(const QString& description)
{
    const auto parsed = parsePortDescription(description);
    if (!parsed)
        return description.section(u',', 0, 0).trimmed();
    if (parsed->port == 0)
        return parsed->device;
    const QString name = QStringLiteral("COM%1").arg(parsed->port);
    return name == parsed->device ? name : QStringLiteral("%1 (%2)").arg(name, parsed->device);
}

QString notAPortMessage(const QString& source, const QString& value)
{
    return QStringLiteral("%1 '%2' is no port: give a device such as /dev/ttyUSB0 or COM1, "
                          "optionally followed by ,9600,8,N,1")
        .arg(source, value);
}

} // namespace veltroma
