#pragma once

#include "monitor/RunHeadless.h"
#include "publish/MqttPublisher.h"
#include "publish/MqttSettings.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace veltroma {

class MonitorSession;

// The [Mqtt] section of the settings file at `settingPath`; the broker named on the command
// line (--mqtt HOST[:PORT]), when there is one, overrides its host and port.
[[nodiscard]] MqttSettings effectiveMqttSettings(const QString& settingPath,
                                                 const std::optional<MqttHost>& commandLineHost);

// What the start of publishing came to.
struct MqttStart {
    MqttSettings settings;                    // as in effect, the broker of --mqtt included
    std::unique_ptr<MqttPublisher> publisher; // none: no broker configured, or refused
    std::optional<QString> refusal;           // why nothing is published despite a broker
    QString refusedPrefix;                    // the prefix refused, with a refusal
    bool passwordInClear = false;             // see mqttPasswordInClear
};

// A publisher listening to the session; none when no broker is configured, or when the
// prefix or the discovery prefix cannot lead a topic (then `refusal` says why). The session
// outlives it.
[[nodiscard]] MqttStart startMqttPublisher(const QString& settingPath, MonitorSession& session,
                                           const std::optional<MqttHost>& commandLineHost);

// The same for the headless logger, which reports the broker connection on standard error,
// as it does a refused prefix (one line, then it logs without publishing) and a password that
// travels unencrypted (one warning). Its counters follow the link counters on the logger's
// counter line.
[[nodiscard]] HeadlessExtra startHeadlessMqtt(MonitorSession& session, const QString& settingPath,
                                              const std::optional<MqttHost>& commandLineHost);

// Opens a plain connection to the publisher's broker and closes it: `unreachable` is called
// with the reason when it cannot be opened within a few seconds. Runs on the event loop; the
// probe belongs to the publisher.
void probeBroker(MqttPublisher& publisher, std::function<void(const QString& reason)> unreachable);

// The publisher's counters as the counter line shows them:
// "mqtt sent 120, dropped 0, failed 0, reconnects 1, connected".
[[nodiscard]] QString mqttCountersText(const MqttCounters& counters);

// The logger's warning for a password that travels unencrypted; it never holds the password.
[[nodiscard]] QString mqttClearPasswordWarning(const MqttSettings& settings);

} // namespace veltroma
