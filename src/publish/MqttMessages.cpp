#include "publish/MqttMessages.h"

#include "monitor/Reading.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <array>
#include <cmath>
#include <optional>

namespace veltroma {

namespace {

// From the build: the program's version and the project's home page.
constexpr const char* kProgramVersion = VELTROMA_PROGRAM_VERSION;
constexpr const char* kProgramUrl = VELTROMA_PROGRAM_URL;

// A published value: its JSON key, its quantity, and how Home Assistant should show it.
struct ValueKey {
    const char* key;
    const char* name;
    Quantity quantity;
    const char* unit;
    const char* deviceClass;
    const char* stateClass;
    // Digits after the point Home Assistant shows, as the record does.
    int precision;
    // Values of interest when something goes wrong, not on the device's main card.
    bool diagnostic;
    // Live values are unavailable while the inverter does not answer; the counters only
    // while the program does not run, so that the energy does not vanish every night.
    bool live;
};

constexpr std::array<ValueKey, 9> kValueKeys{{
    {"dc_voltage", "DC voltage", Quantity::Vpv, "V", "voltage", "measurement", 1, false, true},
    {"ac_voltage", "AC voltage", Quantity::Vac, "V", "voltage", "measurement", 1, false, true},
    {"frequency", "Frequency", Quantity::Fac, "Hz", "frequency", "measurement", 2, true, true},
    {"ac_power", "AC power", Quantity::Pac, "W", "power", "measurement", 0, false, true},
    {"energy_today", "Energy today", Quantity::Etoday, "kWh", "energy", "total_increasing", 1,
     false, false},
    {"minutes_today", "Minutes today", Quantity::Htoday, "min", "duration", "total_increasing", 0,
     true, false},
    {"energy_total", "Energy total", Quantity::Etotal, "kWh", "energy", "total_increasing", 1,
     false, false},
    {"hours_total", "Hours total", Quantity::Htotal, "h", "duration", "total_increasing", 0, true,
     false},
    {"temperature", "Temperature", Quantity::Temperature, "°C", "temperature", "measurement", 1,
     true, true},
}};

// Who publishes the configs, for Home Assistant's MQTT information.
QJsonObject originObject()
{
    return {{QStringLiteral("name"), QStringLiteral("Veltroma monitor")},
            {QStringLiteral("sw_version"), QLatin1String(kProgramVersion)},
            {QStringLiteral("support_url"), QLatin1String(kProgramUrl)}};
}

bool keepsInSerial(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'-' || c == u'_';
}

QJsonValue number(const Reading& reading, Quantity q)
{
    const double value = reading.shown(q);
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue::Null;
}

// The guarded counter a quantity is published from; none for the other quantities.
const std::optional<double>* counterOf(const CounterValues& counters, Quantity q)
{
    switch (q) {
    case Quantity::Etoday:
        return &counters.energyToday;
    case Quantity::Etotal:
        return &counters.energyTotal;
    case Quantity::Htotal:
        return &counters.hoursTotal;
    default:
        return nullptr;
    }
}


// The state text trimmed; where it is blank (a fault whose table entry is empty, a code the
// program does not know), a word for the code, so that the sensor never shows nothing.
QString stateTextOf(const Reading& reading)
{
    const QString text = reading.stateText.value_or(QString()).trimmed();
    if (!text.isEmpty())
        return text;
    switch (reading.stateCode) {
    case 0:
        return QStringLiteral("Wait");
    case 1:
        return QStringLiteral("Normal");
    case 2:
    case 3:
        return QStringLiteral("Fault");
    default:
        return QStringLiteral("Unknown");
    }
}

QString discoveryTopic(const QString& discoveryPrefix, const char* component,
                       const QString& serial, const QString& key)
{
    return QStringLiteral("%1/%2/veltroma_%3/%4/config")
        .arg(discoveryPrefix, QLatin1String(component), serial, key);
}

// Home Assistant takes an entity as available only while every topic of the list says
// "online" (availability_mode all).
QJsonArray availabilityList(const QString& prefix, const QString& serial, bool live)
{
    QJsonArray list{QJsonObject{{QStringLiteral("topic"), availabilityTopic(prefix, serial)}}};
    if (live)
        list.append(QJsonObject{{QStringLiteral("topic"), linkTopic(prefix, serial)}});
    return list;
}

QJsonObject deviceObject(const MqttDevice& device)
{
    QJsonObject object{
        {QStringLiteral("identifiers"), QJsonArray{QStringLiteral("veltroma_") + device.serial}},
        {QStringLiteral("name"), QStringLiteral("Veltroma ") + device.serial},
        {QStringLiteral("manufacturer"), QStringLiteral("Veltroma")},
        {QStringLiteral("serial_number"), device.serial},
    };
    if (!device.model.isEmpty())
        object.insert(QStringLiteral("model"), device.model);
    if (!device.version.isEmpty())
        object.insert(QStringLiteral("sw_version"), device.version);
    return object;
}

// The config of one entity; `config` holds what is particular to it, its state topic included.
MqttMessage configMessage(const char* component, const DiscoveryTopics& topics,
                          const MqttDevice& device, const QString& key, bool live,
                          QJsonObject config)
{
    const QString& prefix = topics.prefix;
    config.insert(QStringLiteral("unique_id"),
                  QStringLiteral("veltroma_%1_%2").arg(device.serial, key));
    config.insert(QStringLiteral("availability"), availabilityList(prefix, device.serial, live));
    config.insert(QStringLiteral("availability_mode"), QStringLiteral("all"));
    config.insert(QStringLiteral("device"), deviceObject(device));
    config.insert(QStringLiteral("origin"), originObject());
    return {discoveryTopic(topics.discoveryPrefix, component, device.serial, key),
            QJsonDocument(config).toJson(QJsonDocument::Compact), true, 1};
}

// A sensor reading one key of the state message.
MqttMessage stateKeyConfig(const DiscoveryTopics& topics, const MqttDevice& device,
                           const QString& key, bool live, QJsonObject config)
{
    config.insert(QStringLiteral("state_topic"), stateTopic(topics.prefix, device.serial));
    config.insert(QStringLiteral("value_template"),
                  QStringLiteral("{{ value_json.%1 }}").arg(key));
    return configMessage("sensor", topics, device, key, live, std::move(config));
}

} // namespace

QString topicSafeSerial(const QString& serial)
{
    const QString trimmed = serial.trimmed();
    QString safe;
    safe.reserve(trimmed.size());
    for (const QChar c : trimmed)
        safe.append(keepsInSerial(c) ? c : QChar(u'_'));
    return safe;
}

MqttDevice mqttDevice(const Reading& reading)
{
    return {topicSafeSerial(reading.serial), reading.model.trimmed(), reading.firmware.trimmed()};
}

QString stateTopic(const QString& prefix, const QString& serial)
{
    return prefix + u'/' + serial + QStringLiteral("/state");
}

QString availabilityTopic(const QString& prefix, const QString& serial)
{
    return prefix + u'/' + serial + QStringLiteral("/availability");
}

QString linkTopic(const QString& prefix, const QString& serial)
{
    return prefix + u'/' + serial + QStringLiteral("/link");
}

MqttMessage stateMessage(const QString& prefix, const QString& serial, const Reading& reading,
                         const CounterValues& counters)
{
    QJsonObject state;
    for (const ValueKey& value : kValueKeys) {
        const std::optional<double>* guarded = counterOf(counters, value.quantity);
        state.insert(QLatin1String(value.key),
                     !guarded ? number(reading, value.quantity)
                              : *guarded ? QJsonValue(**guarded) : QJsonValue(QJsonValue::Null));
    }
    state.insert(QStringLiteral("state"), stateTextOf(reading));
    state.insert(QStringLiteral("state_code"), reading.stateCode);
    state.insert(QStringLiteral("fault_word"), qint64{reading.faultWord});
    const std::optional<QString> status = statusName(reading.stateCode);
    state.insert(QStringLiteral("status"), status ? QJsonValue(*status) : QJsonValue(QJsonValue::Null));
    state.insert(QStringLiteral("time"), isoInstant(reading));
    return {stateTopic(prefix, serial), QJsonDocument(state).toJson(QJsonDocument::Compact),
            false, 0};
}

std::vector<MqttMessage> valueMessages(const QString& prefix, const QString& serial,
                                       const QByteArray& statePayload)
{
    const QJsonObject state = QJsonDocument::fromJson(statePayload).object();
    std::vector<MqttMessage> messages;
    messages.reserve(std::size_t(state.size()));
    for (auto it = state.begin(); it != state.end(); ++it) {
        const QString key = it.key() == QStringLiteral("state") ? QStringLiteral("state_text")
                                                                : it.key();
        QByteArray payload;
        if (it->isString()) {
            payload = it->toString().toUtf8();
        } else {
            // Written as the state writes it: 230.1, 1500, null.
            payload = QJsonDocument(QJsonArray{*it}).toJson(QJsonDocument::Compact);
            payload = payload.mid(1, payload.size() - 2);
        }
        messages.push_back({prefix + u'/' + serial + u'/' + key, payload, false, 0});
    }
    return messages;
}

MqttMessage availabilityMessage(const QString& prefix, const QString& serial, bool online)
{
    return {availabilityTopic(prefix, serial),
            online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"), true, 1};
}

MqttMessage linkMessage(const QString& prefix, const QString& serial, bool online)
{
    return {linkTopic(prefix, serial),
            online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline"), true, 1};
}

std::vector<MqttMessage> discoveryMessages(const DiscoveryTopics& topics,
                                           const MqttDevice& device)
{
    std::vector<MqttMessage> messages;
    messages.reserve(kValueKeys.size() + 4);
    for (const ValueKey& value : kValueKeys) {
        QJsonObject config{
            {QStringLiteral("name"), QLatin1String(value.name)},
            {QStringLiteral("unit_of_measurement"), QString::fromUtf8(value.unit)},
            {QStringLiteral("device_class"), QLatin1String(value.deviceClass)},
            {QStringLiteral("state_class"), QLatin1String(value.stateClass)},
            {QStringLiteral("suggested_display_precision"), value.precision}};
        if (value.diagnostic)
            config.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
        messages.push_back(
            stateKeyConfig(topics, device, QLatin1String(value.key), value.live, std::move(config)));
    }
    const QJsonObject stateText{{QStringLiteral("name"), QStringLiteral("State")}};
    messages.push_back(stateKeyConfig(topics, device, QStringLiteral("state"), true, stateText));
    messages.push_back(stateKeyConfig(
        topics, device, QStringLiteral("status"), true,
        QJsonObject{{QStringLiteral("name"), QStringLiteral("Status")},
                    {QStringLiteral("device_class"), QStringLiteral("enum")},
                    {QStringLiteral("options"), QJsonArray{QStringLiteral("waiting"),
                                                           QStringLiteral("normal"),
                                                           QStringLiteral("fault")}}}));
    messages.push_back(configMessage(
        "binary_sensor", topics, device, QStringLiteral("fault"), true,
        QJsonObject{{QStringLiteral("name"), QStringLiteral("Fault")},
                    {QStringLiteral("state_topic"), stateTopic(topics.prefix, device.serial)},
                    {QStringLiteral("value_template"),
                     QStringLiteral("{{ 'ON' if value_json.status == 'fault' else 'OFF' }}")},
                    {QStringLiteral("device_class"), QStringLiteral("problem")}}));
    // Whether the inverter answers; unavailable only while the program does not run.
    messages.push_back(configMessage(
        "binary_sensor", topics, device, QStringLiteral("link"), false,
        QJsonObject{{QStringLiteral("name"), QStringLiteral("Inverter link")},
                    {QStringLiteral("state_topic"), linkTopic(topics.prefix, device.serial)},
                    {QStringLiteral("payload_on"), QStringLiteral("online")},
                    {QStringLiteral("payload_off"), QStringLiteral("offline")},
                    {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                    {QStringLiteral("entity_category"), QStringLiteral("diagnostic")}}));
    return messages;
}

std::vector<MqttMessage> discoveryRemovalMessages(const DiscoveryTopics& topics,
                                                  const QString& serial)
{
    std::vector<MqttMessage> messages = discoveryMessages(topics, MqttDevice{serial, {}, {}});
    for (MqttMessage& message : messages)
        message.payload.clear();
    return messages;
}

QString mqttClientId(const QString& serial)
{
    return QStringLiteral("veltroma-")
        + (serial.isEmpty() ? topicSafeSerial(QSysInfo::machineHostName()) : serial);
}

} // namespace veltroma
