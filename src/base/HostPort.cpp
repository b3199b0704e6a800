#include "base/HostPort.h"

#include <QHostAddress>

#include <algorithm>

namespace veltroma {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Letters, digits and the punctuation of host names; anything else (spaces, line breaks,
// slashes, '@') could reshape the request or the URL built from the host.
bool isHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isAsciiDigit(c) || c == u'.'
        || c == u'-' || c == u'_';
}

bool isHostName(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), isHostCharacter);
}

bool isAddressCharacter(QChar c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u':'
        || c == u'.';
}

// Plain digits only: no sign, no spaces, and no more digits than the largest port has.
std::optional<std::uint16_t> parsePort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5 || !std::all_of(text.cbegin(), text.cend(), isAsciiDigit))
        return std::nullopt;
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

} // namespace

bool isIpv6Address(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), isAddressCharacter)
        && QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol;
}

std::optional<HostPort> parseHostPort(const QString& text)
{
    HostPort result;
    QString rest;  // what follows the host: empty, or ":PORT"
    if (text.startsWith(u'[')) {
        const auto close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        result.host = text.mid(1, close - 1);
        if (!isIpv6Address(result.host))
            return std::nullopt;
        rest = text.mid(close + 1);
    } else {
        const auto colon = text.indexOf(u':');
        result.host = colon < 0 ? text : text.left(colon);
        if (!isHostName(result.host))
            return std::nullopt;
        if (colon >= 0)
            rest = text.mid(colon);
    }
    if (rest.isEmpty())
        return result;
    if (!rest.startsWith(u':'))
        return std::nullopt;
    result.port = parsePort(rest.mid(1));
    if (!result.port)
        return std::nullopt;
    return result;
}

} // namespace veltroma
