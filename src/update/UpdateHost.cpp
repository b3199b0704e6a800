#include "update/UpdateHost.h"

#include "base/HostPort.h"

namespace veltroma {

namespace {

constexpr std::uint16_t httpPort = 80;

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
    const auto parsed = parseHostPort(text);
    if (!parsed)
        return std::nullopt;
    return UpdateHost{parsed->host, parsed->port.value_or(httpPort)};
}

UpdateHost defaultUpdateHost()
{
    // CMake refuses a malformed value; should one slip through, the empty host simply finds
    // no server, as with any unreachable one.
    return parseUpdateHost(QStringLiteral(VELTROMA_UPDATE_HOST)).value_or(UpdateHost{});
}

} // namespace veltroma
