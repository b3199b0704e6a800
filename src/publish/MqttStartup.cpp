#include "publish/MqttStartup.h"

#include "config/ProfileFile.h"
#include "monitor/MonitorSession.h"

#include <cstdio>

namespace veltroma {

MqttSettings effectiveMqttSettings(const QString& settingPath,
                                   const std::optional<MqttHost>& commandLineHost)
{
    MqttSettings settings = loadMqttSettings(ProfileFile(settingPath));
    if (commandLineHost) {
        settings.host = commandLineHost->host;
        settings.port = commandLineHost->port;
    }
    return settings;
}

std::unique_ptr<MqttPublisher> startMqttPublisher(const QString& settingPath, MonitorSession& session,
                                                  const std::optional<MqttHost>& commandLineHost)
{
    MqttSettings settings = effectiveMqttSettings(settingPath, commandLineHost);
    if (!settings.enabled())
        return nullptr;
    auto publisher = std::make_unique<MqttPublisher>(std::move(settings));
    publisher->listenTo(session.engine());
    return publisher;
}

HeadlessExtra startHeadlessMqtt(MonitorSession& session, const QString& settingPath,
                                const std::optional<MqttHost>& commandLineHost)
{
    auto publisher = startMqttPublisher(settingPath, session, commandLineHost);
    if (!publisher)
        return {};
    const QString broker = publisher->brokerText();
    // Printed on this thread, so that a line never cuts into a row or another event.
    QObject::connect(publisher.get(), &MqttPublisher::connectionChanged, publisher.get(),
                     [broker](bool connected, const QString& reason) {
                         const QString line = connected
                             ? QStringLiteral("mqtt connected to %1").arg(broker)
                             : QStringLiteral("mqtt not connected to %1: %2").arg(broker, reason);
                         std::fprintf(stderr, "%s\n", qPrintable(line));
                         std::fflush(stderr);
                     }, Qt::QueuedConnection);
    const MqttPublisher* counted = publisher.get();
    return {std::move(publisher), [counted] { return mqttCountersText(counted->counters()); }};
}

QString mqttCountersText(const MqttCounters& c)
{
    return QStringLiteral("mqtt sent %1, dropped %2, reconnects %3, %4")
        .arg(c.sent)
        .arg(c.dropped)
        .arg(c.reconnects)
        .arg(c.connected ? QStringLiteral("connected") : QStringLiteral("not connected"));
}

} // namespace veltroma
