#pragma once

#include "monitor/RunHeadless.h"
#include "publish/MqttPublisher.h"
#include "publish/MqttSettings.h"

#include <QObject>

#include <memory>
#include <optional>

namespace veltroma {

class MonitorSession;

// The broker named on the command line (--mqtt HOST[:PORT]); it overrides the host and port
// of setting.ini for the rest of the run. Set once, before the window or the logger starts.
void setMqttCommandLineHost(const MqttHost& host);

// The [Mqtt] section of the settings file at `settingPath`, with the command line's broker.
[[nodiscard]] MqttSettings effectiveMqttSettings(const QString& settingPath);

// A publisher listening to the session, or nothing when no broker is configured. The
// session outlives it.
[[nodiscard]] std::unique_ptr<MqttPublisher> startMqttPublisher(const QString& settingPath,
                                                                MonitorSession& session);

// The same for the headless logger, which reports the broker connection on standard error.
// Its counters follow the link counters on the logger's counter line.
[[nodiscard]] HeadlessExtra startHeadlessMqtt(MonitorSession& session, const QString& settingPath);

// The publisher's counters as the counter line shows them:
// "mqtt sent 120, dropped 0, reconnects 1, connected".
[[nodiscard]] QString mqttCountersText(const MqttCounters& counters);

} // namespace veltroma
