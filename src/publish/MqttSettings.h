#pragma once

#include <QString>

#include <optional>

namespace veltroma {

class ProfileFile;

// Where and how the live values are published: the [Mqtt] section of setting.ini. Without
// a host, publishing is off.
struct MqttSettings {
    static constexpr int kDefaultPort = 1883;
    static constexpr int kDefaultIntervalS = 10;

    QString host;
    int port = kDefaultPort;
    QString user;
    QString password;  // never printed or logged
    QString prefix = QStringLiteral("veltroma");
    // Home Assistant discovery: the configs under the discovery prefix Home Assistant listens
    // to; off, the configs this program would publish are removed from the broker.
    bool discovery = true;
    QString discoveryPrefix = QStringLiteral("homeassistant");
    bool tls = false;
    QString caFile;
    // The state topic retained, so that a Home Assistant that starts at night still sees the
    // last values.
    bool retainState = true;
    // Seconds between two states of one inverter while only its values change; 0: every
    // reply. A change of its state code or fault word goes out at once.
    int intervalS = kDefaultIntervalS;
    // Each value of the state also as a plain payload on a topic of its own, paced and
    // retained as the state, for consumers that read no JSON.
    bool perValueTopics = false;

    [[nodiscard]] bool enabled() const { return !host.isEmpty(); }
    bool operator==(const MqttSettings&) const = default;
};

// The [Mqtt] section of `file`; missing keys keep their defaults, a port outside 1..65535,
// an empty prefix or discovery prefix and an interval that is no number of 0 or more seconds
// read as the defaults.
[[nodiscard]] MqttSettings loadMqttSettings(const ProfileFile& file);
// Stores every key; false when the file cannot be written.
bool saveMqttSettings(const ProfileFile& file, const MqttSettings& settings);

struct MqttHost {
    QString host;
    int port = MqttSettings::kDefaultPort;
};
// Why `prefix` cannot lead the published topics, in a sentence for the log; nothing when it
// can. Refused: the wildcards '+' and '#', which no published topic may hold (the client
// library refuses every message and the last will), and control characters, NUL included,
// which the broker refuses or which would cut the topic short. Empty levels ("a//b", a
// leading '/') make valid topics and are left alone.
[[nodiscard]] std::optional<QString> mqttPrefixProblem(const QString& prefix);
// The prefix or discovery prefix of `settings` that mqttPrefixProblem refuses, the prefix
// first; nothing when both can lead topics.
[[nodiscard]] std::optional<QString> refusedMqttPrefix(const MqttSettings& settings);

// Whether the password would travel unencrypted to another machine: a user and a password,
// no TLS, and a broker that is not this machine's loopback ("localhost", 127.0.0.0/8, ::1).
// A host name is never looked up, so a name that merely resolves to loopback counts as
// another machine.
[[nodiscard]] bool mqttPasswordInClear(const MqttSettings& settings);

// "HOST", "HOST:PORT", "[IPv6]:PORT" or a bare IPv6 address without a port ("::1"), with
// surrounding spaces ignored; nothing for a text that names no usable broker (see
// parseHostPort) or holds several colons without being an IPv6 address.
[[nodiscard]] std::optional<MqttHost> parseMqttHost(const QString& text);

} // namespace veltroma
