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

MqttStart startMqttPublisher(const QString& settingPath, MonitorSession& session,
                             const std::optional<MqttHost>& commandLineHost)
{
    MqttStart start;
    start.settings = effectiveMqttSettings(settingPath, commandLineHost);
    if (!start.settings.enabled())
        return start;
    // Refused here, once: every message under such a prefix would fail.
    if (const auto refused = refusedMqttPrefix(start.settings)) {
        start.refusal = mqttPrefixProblem(*refused);
        start.refusedPrefix = *refused;
        return start;
    }
    start.passwordInClear = mqttPasswordInClear(start.settings);
    start.publisher = std::make_unique<MqttPublisher>(start.settings);
    start.publisher->listenTo(session.engine());
    return start;
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
    MqttStart start = startMqttPublisher(settingPath, session, commandLineHost);
    if (start.refusal)
        printEventLine(stderr, QStringLiteral("mqtt not publishing: %1").arg(*start.refusal));
    if (!start.publisher)
        return {};
    std::unique_ptr<MqttPublisher> publisher = std::move(start.publisher);
    const QString broker = publisher->brokerText();
    printEventLine(stderr, QStringLiteral("mqtt publishing to %1").arg(broker));
    if (start.passwordInClear)
        printEventLine(stderr, mqttClearPasswordWarning(start.settings));
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
    return QStringLiteral("mqtt sent %1, dropped %2, failed %3, withheld %4, reconnects %5, %6")
        .arg(c.sent)
        .arg(c.dropped)
        .arg(c.failed)
        .arg(c.withheld)
        .arg(c.reconnects)
        .arg(c.connected ? QStringLiteral("connected") : QStringLiteral("not connected"));
}

QString mqttClearPasswordWarning(const MqttSettings& settings)
{
    return QStringLiteral("mqtt warning: the password of user %1 travels unencrypted to %2:%3; "
                          "set Tls=1 in [Mqtt] or use a broker on this machine")
        .arg(settings.user, settings.host)
        .arg(settings.port);
}

} // namespace veltroma
