#include "publish/MqttStartup.h"

#include "config/ProfileFile.h"
#include "monitor/HeadlessLog.h"
#include "monitor/MonitorSession.h"

#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

namespace veltroma {

namespace {
// A broker that has not answered the probe's connection by then is called unreachable.
constexpr int kBrokerProbeMs = 5000;
} // namespace

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

void probeBroker(MqttPublisher& publisher, std::function<void(const QString& reason)> unreachable)
{
    const MqttSettings& settings = publisher.settings();
    auto* probe = new QTcpSocket(&publisher);
    // Said once, whether the connection is refused or never answered; the probe then goes.
    const auto end = [probe, unreachable = std::move(unreachable)](const QString& reason) {
        if (probe->property("ended").toBool())
            return;
        probe->setProperty("ended", true);
        if (!reason.isEmpty())
            unreachable(reason);
        probe->abort();
        probe->deleteLater();
    };
    QObject::connect(probe, &QTcpSocket::connected, probe, [end] { end({}); });
    QObject::connect(probe, &QTcpSocket::errorOccurred, probe,
                     [probe, end](QAbstractSocket::SocketError) { end(probe->errorString()); });
    QTimer::singleShot(kBrokerProbeMs, probe, [end] {
        end(QStringLiteral("no answer within %1 s").arg(kBrokerProbeMs / 1000));
    });
    probe->connectToHost(settings.host, static_cast<quint16>(settings.port));
}

HeadlessExtra startHeadlessMqtt(MonitorSession& session, const QString& settingPath,
                                const std::optional<MqttHost>& commandLineHost)
{
    auto publisher = startMqttPublisher(settingPath, session, commandLineHost);
    if (!publisher)
        return {};
    const QString broker = publisher->brokerText();
    printEventLine(stderr, QStringLiteral("mqtt publishing to %1").arg(broker));
    // The publisher connects with the first reply: a broker that cannot be reached is said at
    // once instead, and the publisher's own retries go on quietly.
    probeBroker(*publisher, [broker](const QString& reason) {
        printEventLine(stderr, QStringLiteral("mqtt cannot connect to %1: %2").arg(broker, reason));
    });
    // Printed on this thread, so that a line never cuts into a row or another event. Only a
    // change is said: a broker that stays away is not reported at every retry.
    QObject::connect(publisher.get(), &MqttPublisher::connectionChanged, publisher.get(),
                     [broker, said = std::optional<bool>()](bool connected, const QString& reason) mutable {
                         if (said == connected)
                             return;
                         said = connected;
                         printEventLine(stderr, connected
                             ? QStringLiteral("mqtt connected to %1").arg(broker)
                             : QStringLiteral("mqtt not connected to %1: %2").arg(broker, reason));
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
