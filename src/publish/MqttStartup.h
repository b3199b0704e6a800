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

// A publisher listening to the session, or nothing when no broker is configured. The
// session outlives it.
[[nodiscard]] std::unique_ptr<MqttPublisher> startMqttPublisher(
    const QString& settingPath, MonitorSession& session, const std::optional<MqttHost>& commandLineHost);

// The same for the headless logger, which reports the broker connection on standard error.
// Its counters follow the link counters on the logger's counter line.
[[nodiscard]] HeadlessExtra startHeadlessMqtt(MonitorSession& session, const QString& settingPath,
                                              const std::optional<MqttHost>& commandLineHost);

// Opens a plain connection to the publisher's broker and closes it: `unreachable` is called
// with the reason when it cannot be opened within a few seconds. Runs on the event loop; the
// probe belongs to the publisher.
void probeBroker(MqttPublisher& publisher, std::function<void(const QString& reason)> unreachable);

// The publisher's counters as the counter line shows them:
// "mqtt sent 120, dropped 0, reconnects 1, connected".
[[nodiscard]] QString mqttCountersText(const MqttCounters& counters);

} // namespace veltroma
