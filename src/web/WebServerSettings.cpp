#include "web/WebServerSettings.h"

#include "base/HostPort.h"
#include "config/ProfileFile.h"

namespace veltroma {

namespace {

const QString kSection = QStringLiteral("Web");

bool isLocalhost(const QString& host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<WebListen> parseWebListen(const QString& text)
{
    const auto parsed = parseHostPort(text.trimmed());
    if (!parsed || !parsed->port)
        return std::nullopt;
    if (!isLocalhost(parsed->host) && QHostAddress(parsed->host).isNull())
        return std::nullopt;
    return WebListen{parsed->host, *parsed->port};
}

QList<QHostAddress> listenAddresses(const QString& host)
{
    if (isLocalhost(host))
        return {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};
    const QHostAddress address(host);
    if (address.isNull())
        return {};
    // Bound as written, "::" would take IPv6 only; who writes it means every address.
    if (address == QHostAddress(QHostAddress::AnyIPv6))
        return {QHostAddress(QHostAddress::Any)};
    return {address};
}

bool isLoopbackHost(const QString& host)
{
    return isLocalhost(host) || QHostAddress(host).isLoopback();
}

LoadedWebSettings loadWebServerSettings(const ProfileFile& file)
{
    LoadedWebSettings loaded;
    WebServerSettings& settings = loaded.settings;
    const auto read = [&file](const char* key) { return file.read(kSection, QLatin1String(key)); };
    settings.password = read("Password");
    settings.certificateFile = read("Certificate").trimmed();
    settings.keyFile = read("Key").trimmed();
    const QString listen = read("Listen").trimmed();
    if (listen.isEmpty())
        return loaded;
    settings.listen = parseWebListen(listen);
    if (!settings.listen) {
        loaded.problem = QStringLiteral("Listen=%1 in [Web] is no ADDRESS:PORT (an IP address or "
                                        "localhost, and a port)")
                             .arg(listen);
    }
    return loaded;
}

QString listenText(const WebListen& listen)
{
    const QString host = listen.host.contains(u':') ? u'[' + listen.host + u']' : listen.host;
    return QStringLiteral("%1:%2").arg(host).arg(listen.port);
}

} // namespace veltroma
