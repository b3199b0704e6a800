#include "publish/MqttSettings.h"

#include "base/HostPort.h"
#include "config/ProfileFile.h"

#include <QHostAddress>

namespace veltroma {

namespace {

const QString kSection = QStringLiteral("Mqtt");

std::optional<int> portNumber(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

std::optional<int> seconds(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

bool flag(const QString& text, bool defaultValue)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value != 0 : defaultValue;
}

} // namespace

MqttSettings loadMqttSettings(const ProfileFile& file)
{
    MqttSettings settings;
    const auto read = [&file](const char* key) { return file.read(kSection, QLatin1String(key)); };
    settings.host = read("Host").trimmed();
    settings.port = portNumber(read("Port")).value_or(MqttSettings::kDefaultPort);
    settings.user = read("User");
    settings.password = read("Password");
    const QString prefix = read("Prefix").trimmed();
    if (!prefix.isEmpty())
        settings.prefix = prefix;
    settings.discovery = flag(read("Discovery"), true);
    const QString discoveryPrefix = read("DiscoveryPrefix").trimmed();
    if (!discoveryPrefix.isEmpty())
        settings.discoveryPrefix = discoveryPrefix;
    settings.tls = flag(read("Tls"), false);
    settings.caFile = read("CaFile").trimmed();
    settings.retainState = flag(read("RetainState"), true);
    settings.intervalS = seconds(read("Interval")).value_or(MqttSettings::kDefaultIntervalS);
    settings.perValueTopics = flag(read("PerValueTopics"), false);
    return settings;
}

bool saveMqttSettings(const ProfileFile& file, const MqttSettings& settings)
{
    const auto write = [&file](const char* key, const QString& value) {
        return file.write(kSection, QLatin1String(key), value);
    };
    return write("Host", settings.host) && write("Port", QString::number(settings.port))
        && write("User", settings.user) && write("Password", settings.password)
        && write("Prefix", settings.prefix)
        && write("Discovery", settings.discovery ? QStringLiteral("1") : QStringLiteral("0"))
        && write("DiscoveryPrefix", settings.discoveryPrefix)
        && write("Tls", settings.tls ? QStringLiteral("1") : QStringLiteral("0"))
        && write("CaFile", settings.caFile)
        && write("RetainState", settings.retainState ? QStringLiteral("1") : QStringLiteral("0"))
        && write("Interval", QString::number(settings.intervalS))
        && write("PerValueTopics", settings.perValueTopics ? QStringLiteral("1") : QStringLiteral("0"));
}

std::optional<QString> mqttPrefixProblem(const QString& prefix)
{
    for (const QChar c : prefix) {
        if (c == u'+' || c == u'#')
            return QStringLiteral("the prefix \"%1\" holds the wildcard '%2', which no published "
                                  "topic may hold")
                .arg(prefix, c);
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("the prefix holds the control character U+%1, which no topic "
                                  "may hold")
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return std::nullopt;
}

std::optional<QString> refusedMqttPrefix(const MqttSettings& settings)
{
    for (const QString& prefix : {settings.prefix, settings.discoveryPrefix}) {
        if (mqttPrefixProblem(prefix))
            return prefix;
    }
    return std::nullopt;
}

bool mqttPasswordInClear(const MqttSettings& settings)
{
    if (settings.user.isEmpty() || settings.password.isEmpty() || settings.tls)
        return false;
    if (settings.host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return false;
    const QHostAddress address(settings.host);
    return address.isNull() || !address.isLoopback();
}

std::optional<MqttHost> parseMqttHost(const QString& text)
{
    const QString trimmed = text.trimmed();
    // Several colons outside brackets can only be a bare IPv6 address; none of them starts a port.
    if (!trimmed.startsWith(u'[') && trimmed.count(u':') > 1) {
        if (!isIpv6Address(trimmed))
            return std::nullopt;
        return MqttHost{trimmed};
    }
    const auto parsed = parseHostPort(trimmed);
    if (!parsed)
        return std::nullopt;
    return MqttHost{parsed->host, parsed->port.value_or(MqttSettings::kDefaultPort)};
}

} // namespace veltroma
