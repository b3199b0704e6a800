#pragma once

#include "publish/CounterGuard.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace veltroma {

struct Reading;

// One message for the broker.
struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = false;
    int qos = 0;

    bool operator==(const MqttMessage&) const = default;
};

// What identifies the inverter on the broker and in Home Assistant.
struct MqttDevice {
    QString serial;   // already safe for topics and ids (see topicSafeSerial)
    QString model;    // from the information block; empty when not known yet
    QString version;

    bool operator==(const MqttDevice&) const = default;
};

// The serial number as it may stand in a topic level and an entity id: letters, digits, '-'
// and '_' stay, every other character (topic wildcards and separators, control bytes,
// spaces) becomes '_'. Empty for a serial that is empty or only spaces.
[[nodiscard]] QString topicSafeSerial(const QString& serial);

// The inverter a reading came from; serial empty when none is registered.
[[nodiscard]] MqttDevice mqttDevice(const Reading& reading);

[[nodiscard]] QString stateTopic(const QString& prefix, const QString& serial);
// Whether the program runs: "online" from each connection, "offline" at a clean end and as
// the last will.
[[nodiscard]] QString availabilityTopic(const QString& prefix, const QString& serial);
// Whether the inverter answers: "online" while the link lives and its slot answers.
[[nodiscard]] QString linkTopic(const QString& prefix, const QString& serial);

// The state message of a reading: the values as numbers rounded as the record shows them (a
// value that is no finite number gives null), the counters as `counters` has them (see
// CounterGuard), the state text (trimmed, never blank), the state code, the fault word, the
// status for automations ("waiting", "normal", "fault"; null for a code the program does not
// know) and the reading's instant with its UTC offset. Not retained: the publisher decides
// that.
[[nodiscard]] MqttMessage stateMessage(const QString& prefix, const QString& serial,
                                       const Reading& reading, const CounterValues& counters);

// Retained "online" or "offline" on the availability topic.
// Each key of a state message on a topic of its own, "<prefix>/<serial>/<key>", for consumers
// that read plain values: a number as the state has it, a text without quotes, "null" for
// null. The state text goes to ".../state_text", since ".../state" is the state message's.
// Not retained: the publisher decides that.
[[nodiscard]] std::vector<MqttMessage> valueMessages(const QString& prefix, const QString& serial,
                                                     const QByteArray& statePayload);

[[nodiscard]] MqttMessage availabilityMessage(const QString& prefix, const QString& serial,
                                              bool online);
// Retained "online" or "offline" on the link topic.
[[nodiscard]] MqttMessage linkMessage(const QString& prefix, const QString& serial, bool online);

// Where the configs go and what they point at.
struct DiscoveryTopics {
    QString discoveryPrefix; // Home Assistant's, "homeassistant" unless it was changed
    QString prefix;          // ours, which leads the state, availability and link topics
};

// One retained discovery config per value, one for the state text, an enum sensor for the
// status, and binary sensors for a fault and for the link: under
// "<discoveryPrefix>/<component>/veltroma_<serial>/<key>/config", with the device, its
// serial number and this program as their origin.
[[nodiscard]] std::vector<MqttMessage> discoveryMessages(const DiscoveryTopics& topics,
                                                         const MqttDevice& device);
// An empty retained message on each of those topics: the broker forgets the configs, and Home
// Assistant removes the entities.
[[nodiscard]] std::vector<MqttMessage> discoveryRemovalMessages(const DiscoveryTopics& topics,
                                                                const QString& serial);

// The client id of an inverter's broker session, "veltroma-<serial>", the same at every start
// so that the broker shows whose session it is; "veltroma-<host name>" without a serial.
[[nodiscard]] QString mqttClientId(const QString& serial);

} // namespace veltroma
