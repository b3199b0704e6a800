#include "update/UpdateHost.h"

#include <QHostAddress>

namespace veltroma {

namespace {

constexpr std::uint16_t httpPort = 80;

// Letters, digits and the punctuation of host names and addresses; anything else (spaces,
// line breaks, slashes, '@') could reshape the request or the URL built from the host.
bool isHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
        || c == u'.' || c == u'-' || c == u'_';
}

std::optional<std::uint16_t> parsePort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

} // namespace

QString UpdateHost::authority() const
{
    QString text = name.contains(u':') ? u'[' + name + u']' : name;
    if (port != httpPort)
        text += u':' + QString::number(port);
    return text;
}

std::optional<UpdateHost> parseUpdateHost(const QString& text)
{
    UpdateHost host;
    QString portText;
    if (text.startsWith(u'[')) {
        const auto close = text.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        host.name = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return std::nullopt;
            portText = rest.mid(1);
            if (portText.isEmpty())
                return std::nullopt;
        }
        const QHostAddress address(host.name);
        if (address.protocol() != QAbstractSocket::IPv6Protocol)
            return std::nullopt;
    } else {
        const auto colon = text.indexOf(u':');
        host.name = colon < 0 ? text : text.left(colon);
        if (colon >= 0) {
            portText = text.mid(colon + 1);
            if (portText.isEmpty())
                return std::nullopt;
        }
        if (host.name.isEmpty())
            return std::nullopt;
        for (QChar c : host.name) {
            if (!isHostCharacter(c))
                return std::nullopt;
        }
    }
    if (!portText.isEmpty()) {
        const auto port = parsePort(portText);
        if (!port)
            return std::nullopt;
        host.port = *port;
    }
    return host;
}

UpdateHost defaultUpdateHost()
{
    // CMake refuses a malformed value; should one slip through, the empty host simply finds
    // no server, as with any unreachable one.
    return parseUpdateHost(QStringLiteral(VELTROMA_UPDATE_HOST)).value_or(UpdateHost{});
}

} // namespace veltroma
