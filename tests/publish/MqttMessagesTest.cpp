#include "monitor/Reading.h"
#include "publish/MqttMessages.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include "config/ProfileFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>
#include <mosquitto.h>

#include <limits>

namespace veltroma {
namespace {

QJsonObject json(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object();
}

TEST(MqttSettingsTest, ReadsTheSectionWithItsDefaultsAndWritesItBack)
{
    QTemporaryDir dir;
    const ProfileFile file(dir.filePath(QStringLiteral("setting.ini")));
    EXPECT_FALSE(loadMqttSettings(file).enabled());
    EXPECT_EQ(loadMqttSettings(file), MqttSettings{});

    QFile raw(file.path());
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("[Setting]\r\nLanguage=English\r\n[mqtt]\r\nhost = broker.lan \r\nPort=99999\r\n"
              "Prefix=\r\nDiscovery=0\r\nDiscoveryPrefix= \r\nTls=1\r\nUser=me\r\nPassword=se cret\r\n"
              "RetainState=0\r\nInterval=-5\r\nPerValueTopics=1\r\n");
    raw.close();
    MqttSettings settings = loadMqttSettings(file);
    EXPECT_EQ(settings.host, QStringLiteral("broker.lan"));
    EXPECT_EQ(settings.port, 1883) << "a port out of range reads as the default";
    EXPECT_EQ(settings.prefix, QStringLiteral("veltroma")) << "an empty prefix reads as the default";
    EXPECT_FALSE(settings.discovery);
    EXPECT_EQ(settings.discoveryPrefix, QStringLiteral("homeassistant"))
        << "an empty discovery prefix reads as the default";
    EXPECT_TRUE(settings.tls);
    EXPECT_FALSE(settings.retainState);
    EXPECT_TRUE(settings.perValueTopics);
    EXPECT_EQ(settings.intervalS, 10) << "a negative interval reads as the default";
    EXPECT_EQ(settings.password, QStringLiteral("se cret"));

    settings.port = 1884;
    settings.caFile = QStringLiteral("/etc/ca.pem");
    settings.retainState = true;
    settings.intervalS = 0;
    settings.discoveryPrefix = QStringLiteral("ha/test");
    ASSERT_TRUE(saveMqttSettings(file, settings));
    EXPECT_EQ(loadMqttSettings(file), settings);
    EXPECT_EQ(file.read(QStringLiteral("Setting"), QStringLiteral("Language")), QStringLiteral("English"));
}

TEST(MqttSettingsTest, APrefixIsRefusedExactlyWhenTheClientLibraryRefusesItsTopics)
{
    struct Case {
        QString prefix;
        bool refused;
    };
    const Case cases[] = {
        {QStringLiteral("veltroma"), false},
        {QStringLiteral("home/pv"), false},
        {QStringLiteral("/pv//roof/"), false}, // empty levels make valid topics
        {QStringLiteral("Dach-Süd $1"), false},
        {QStringLiteral("pv/+"), true},
        {QStringLiteral("pv/#"), true},
        {QStringLiteral("p+v"), true},
        {QStringLiteral("pv\tx"), true},
        {QStringLiteral("pv") + QChar(0x7f), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix.toStdString());
        const auto problem = mqttPrefixProblem(c.prefix);
        EXPECT_EQ(problem.has_value(), c.refused) << problem.value_or(QString()).toStdString();
        const QByteArray topic = stateTopic(c.prefix, QStringLiteral("S1")).toUtf8();
        const bool libraryRefuses =
            mosquitto_pub_topic_check(topic.constData()) != MOSQ_ERR_SUCCESS
            || mosquitto_validate_utf8(topic.constData(), int(topic.size())) != MOSQ_ERR_SUCCESS;
        EXPECT_EQ(libraryRefuses, c.refused);
    }
    // The library lets the C1 controls pass, which the protocol says a topic should not hold
    // and a broker may refuse; it reads the topic up to a NUL and would publish on "pv".
    // Both are refused here.
    EXPECT_TRUE(mqttPrefixProblem(QStringLiteral("pv") + QChar(0x85)).has_value());
    EXPECT_TRUE(mqttPrefixProblem(QStringLiteral("pv") + QChar(0) + QStringLiteral("x")).has_value());
    EXPECT_EQ(mqttPrefixProblem(QStringLiteral("pv/#")),
              QStringLiteral("the prefix \"pv/#\" holds the wildcard '#', which no published topic may hold"));

    // The discovery prefix leads topics too.
    MqttSettings settings;
    EXPECT_FALSE(refusedMqttPrefix(settings).has_value());
    settings.discoveryPrefix = QStringLiteral("ha/+");
    EXPECT_EQ(refusedMqttPrefix(settings), QStringLiteral("ha/+"));
    settings.prefix = QStringLiteral("#");
    EXPECT_EQ(refusedMqttPrefix(settings), QStringLiteral("#"));
}

TEST(MqttSettingsTest, APasswordInClearIsOneThatLeavesThisMachineWithoutTls)
{
    struct Case {
        const char* host;
        const char* user;
        const char* password;
        bool tls;
        bool inClear;
    };
    const Case cases[] = {
        {"broker.lan", "me", "secret", false, true},
        {"192.168.1.10", "me", "secret", false, true},
        {"fe80::2", "me", "secret", false, true},
        {"127.0.0.2", "me", "secret", false, false},
        {"::1", "me", "secret", false, false},
        {"LocalHost", "me", "secret", false, false},
        {"broker.lan", "me", "secret", true, false},
        {"broker.lan", "", "secret", false, false}, // no user: the password is never sent
        {"broker.lan", "me", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        MqttSettings settings;
        settings.host = QString::fromUtf8(c.host);
        settings.user = QString::fromUtf8(c.user);
        settings.password = QString::fromUtf8(c.password);
        settings.tls = c.tls;
        EXPECT_EQ(mqttPasswordInClear(settings), c.inClear) << c.user << "/" << c.password << " tls " << c.tls;
    }
}

TEST(MqttSettingsTest, BrokerAddressesFromTheCommandLine)
{
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        int port;
    };
    const Case cases[] = {
        {"broker", "broker", 1883},          {"broker:1884", "broker", 1884},
        {"  broker:1884\n", "broker", 1884}, {"[::1]:1885", "::1", 1885},
        {"::1", "::1", 1883},                {" fe80::2 ", "fe80::2", 1883},
        {"", nullptr, 0},                    {"   ", nullptr, 0},
        {"broker:", nullptr, 0},             {"broker:70000", nullptr, 0},
        {"a:b:c", nullptr, 0},               {"fe80::1%eth0", nullptr, 0},
        {"bad host", nullptr, 0},            {"host/path:1883", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseMqttHost(QString::fromUtf8(c.text));
        if (!c.host) {
            EXPECT_FALSE(parsed.has_value());
            continue;
        }
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->host, QString::fromUtf8(c.host));
        EXPECT_EQ(parsed->port, c.port);
    }
}

TEST(MqttMessagesTest, SerialNumbersCannotReachOtherTopicsOrBreakIds)
{
    EXPECT_EQ(topicSafeSerial(QStringLiteral("VT24000123")), QStringLiteral("VT24000123"));
    EXPECT_EQ(topicSafeSerial(QStringLiteral("A/+#B C\x01-_")), QStringLiteral("A___B_C_-_"));
    EXPECT_EQ(topicSafeSerial(QStringLiteral("   ")), QString());

    Reading reading;
    reading.serial = QStringLiteral(" AB/12 ");
    reading.model = QStringLiteral("VT-3000         ");
    EXPECT_EQ(mqttDevice(reading), (MqttDevice{QStringLiteral("AB_12"), QStringLiteral("VT-3000"), {}}));
}

TEST(MqttMessagesTest, StateCarriesTheValuesAsRecordedWithTimeAndOffset)
{
    Reading reading;
    reading.instant = QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3), QTimeZone(7200));
    // As floats hold them: each is published as the record row shows it, 230.1 not 230.100006.
    reading.values = {312.4F, 230.1F, 50.02F, 1523.0F, 4.2F, 185.0F, 12349.8F, 4099.0F,
                      std::numeric_limits<float>::quiet_NaN()};
    reading.stateText = QStringLiteral("Normal");
    // The counters come from the guard, not from the reading's values.
    const CounterValues counters{4.2, 12349.8, std::nullopt};
    const MqttMessage message = stateMessage(QStringLiteral("pv"), QStringLiteral("S1"), reading, counters);
    EXPECT_EQ(message.topic, QStringLiteral("pv/S1/state"));
    EXPECT_FALSE(message.retain);
    EXPECT_TRUE(message.payload.contains("\"ac_voltage\":230.1,")) << message.payload.toStdString();
    const QJsonObject state = json(message.payload);
    EXPECT_EQ(state["dc_voltage"].toDouble(), 312.4);
    EXPECT_EQ(state["frequency"].toDouble(), 50.02);
    EXPECT_EQ(state["ac_power"].toDouble(), 1523);
    EXPECT_EQ(state["minutes_today"].toDouble(), 185);
    EXPECT_EQ(state["energy_today"].toDouble(), 4.2);
    EXPECT_EQ(state["energy_total"].toDouble(), 12349.8);
    EXPECT_TRUE(state["hours_total"].isNull());
    EXPECT_TRUE(state["temperature"].isNull()) << "a value that is no number must not break the JSON";
    EXPECT_EQ(state["state"].toString(), QStringLiteral("Normal"));
    EXPECT_EQ(state["time"].toString(), QStringLiteral("2011-05-07T09:05:03+02:00"));
}

TEST(MqttMessagesTest, StateCarriesCodeFaultWordAndAStatusForAutomationsWithANeverBlankText)
{
    struct Case {
        int code;
        std::uint32_t faultWord;
        std::optional<QString> text; // as the decoder gives it
        const char* status;          // nullptr: null
        const char* state;
    };
    const Case cases[] = {
        {0, 0, QStringLiteral("Wait"), "waiting", "Wait"},
        {1, 0, QStringLiteral("Normal"), "normal", "Normal"},
        {2, 1U << 10, QStringLiteral(" Over PV Voltage "), "fault", "Over PV Voltage"},
        // The fault word's high bit: a number above what a signed 32-bit value holds.
        {3, 0x80000001U, QStringLiteral("   "), "fault", "Fault"},
        {3, 4, QString(), "fault", "Fault"},
        {1, 0, QString(), "normal", "Normal"},
        {9, 0, std::nullopt, nullptr, "Unknown"},
        {-1, 0, std::nullopt, nullptr, "Unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " text \""
                                        << c.text.value_or(QStringLiteral("<none>")).toStdString() << '"');
        Reading reading;
        reading.stateCode = c.code;
        reading.faultWord = c.faultWord;
        reading.stateText = c.text;
        const QJsonObject state = json(stateMessage(QStringLiteral("pv"), QStringLiteral("S1"), reading, {}).payload);
        EXPECT_EQ(state["state_code"], QJsonValue(c.code));
        EXPECT_EQ(state["fault_word"], QJsonValue(qint64{c.faultWord}));
        EXPECT_EQ(state["status"], c.status ? QJsonValue(QString::fromUtf8(c.status)) : QJsonValue(QJsonValue::Null));
        EXPECT_TRUE(state.contains("status")) << "an unknown status is null, not missing";
        EXPECT_EQ(state["state"].toString().toStdString(), c.state);
    }
}

TEST(MqttMessagesTest, EachValueOnATopicOfItsOwnIsWrittenAsTheStateWritesIt)
{
    Reading reading;
    reading.instant = QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3), QTimeZone(7200));
    reading.values = {312.4F, 230.1F, 50.02F, 1523.0F, 4.2F, 185.0F, 12349.8F, 4099.0F,
                      std::numeric_limits<float>::quiet_NaN()};
    reading.stateCode = 3;
    reading.faultWord = 0x80000001U;
    reading.stateText = QStringLiteral(" Über Temperatur ");
    const MqttMessage state = stateMessage(QStringLiteral("pv"), QStringLiteral("S1"), reading,
                                           CounterValues{4.2, std::nullopt, 4099.0});
    QMap<QString, QByteArray> values;
    for (const MqttMessage& message : valueMessages(QStringLiteral("pv"), QStringLiteral("S1"), state.payload))
        values.insert(message.topic, message.payload);
    const QMap<QString, QByteArray> expected{
        {"pv/S1/dc_voltage", "312.4"},
        {"pv/S1/ac_voltage", "230.1"},
        {"pv/S1/frequency", "50.02"},
        {"pv/S1/ac_power", "1523"},
        {"pv/S1/energy_today", "4.2"},
        {"pv/S1/minutes_today", "185"},
        {"pv/S1/energy_total", "null"},
        {"pv/S1/hours_total", "4099"},
        {"pv/S1/temperature", "null"},
        // The state message keeps its own topic.
        {"pv/S1/state_text", "Über Temperatur"},
        {"pv/S1/state_code", "3"},
        {"pv/S1/fault_word", "2147483649"},
        {"pv/S1/status", "fault"},
        {"pv/S1/time", "2011-05-07T09:05:03+02:00"},
    };
    EXPECT_EQ(values, expected);
}

// What Home Assistant is told of each entity; "" where the config has no such field, -1 for
// no display precision.
struct Entity {
    const char* component;
    const char* key;
    const char* name;
    const char* unit;
    const char* deviceClass;
    const char* stateClass;
    int precision;
    const char* category;
    // Live values are unavailable without the inverter's link as well as without the program.
    bool live;
};

const Entity kEntities[] = {
    {"sensor", "dc_voltage", "DC voltage", "V", "voltage", "measurement", 1, "", true},
    {"sensor", "ac_voltage", "AC voltage", "V", "voltage", "measurement", 1, "", true},
    {"sensor", "frequency", "Frequency", "Hz", "frequency", "measurement", 2, "diagnostic", true},
    {"sensor", "ac_power", "AC power", "W", "power", "measurement", 0, "", true},
    {"sensor", "energy_today", "Energy today", "kWh", "energy", "total_increasing", 1, "", false},
    {"sensor", "minutes_today", "Minutes today", "min", "duration", "total_increasing", 0, "diagnostic", false},
    {"sensor", "energy_total", "Energy total", "kWh", "energy", "total_increasing", 1, "", false},
    {"sensor", "hours_total", "Hours total", "h", "duration", "total_increasing", 0, "diagnostic", false},
    {"sensor", "temperature", "Temperature", "°C", "temperature", "measurement", 1, "diagnostic", true},
    {"sensor", "state", "State", "", "", "", -1, "", true},
    {"sensor", "status", "Status", "", "enum", "", -1, "", true},
    {"binary_sensor", "fault", "Fault", "", "problem", "", -1, "", true},
    {"binary_sensor", "link", "Inverter link", "", "connectivity", "", -1, "diagnostic", false},
};

// A text field of a config as the table writes it: "" for a field that is missing.
std::string field(const QJsonObject& config, const char* name)
{
    return config.contains(QLatin1String(name)) ? config[QLatin1String(name)].toString().toStdString()
                                                : std::string();
}

TEST(MqttMessagesTest, DiscoveryDescribesEveryEntityForHomeAssistant)
{
    const MqttDevice device{QStringLiteral("S1"), QStringLiteral("VT-3000"), QStringLiteral("V2.10")};
    const auto messages = discoveryMessages({QStringLiteral("ha"), QStringLiteral("pv")}, device);
    ASSERT_EQ(messages.size(), std::size(kEntities));
    const QJsonObject program{{"topic", "pv/S1/availability"}};
    const QJsonObject link{{"topic", "pv/S1/link"}};
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const Entity& entity = kEntities[i];
        const MqttMessage& message = messages[i];
        SCOPED_TRACE(entity.key);
        const QString key = QString::fromUtf8(entity.key);
        EXPECT_EQ(message.topic, QStringLiteral("ha/%1/veltroma_S1/%2/config")
                                     .arg(QLatin1String(entity.component), key));
        EXPECT_TRUE(message.retain);
        const QJsonObject config = json(message.payload);
        EXPECT_EQ(field(config, "name"), entity.name);
        EXPECT_EQ(field(config, "unique_id"), "veltroma_S1_" + std::string(entity.key));
        EXPECT_EQ(field(config, "unit_of_measurement"), entity.unit);
        EXPECT_EQ(field(config, "device_class"), entity.deviceClass);
        EXPECT_EQ(field(config, "state_class"), entity.stateClass);
        EXPECT_EQ(config["suggested_display_precision"].toInt(-1), entity.precision);
        EXPECT_EQ(field(config, "entity_category"), entity.category);
        EXPECT_EQ(config["availability"].toArray(),
                  (entity.live ? QJsonArray{program, link} : QJsonArray{program}));
        EXPECT_EQ(field(config, "availability_mode"), "all");
        if (key == QStringLiteral("link")) {
            EXPECT_EQ(field(config, "state_topic"), "pv/S1/link");
            EXPECT_EQ(field(config, "payload_on"), "online");
            EXPECT_EQ(field(config, "payload_off"), "offline");
        } else if (key == QStringLiteral("fault")) {
            EXPECT_EQ(field(config, "state_topic"), "pv/S1/state");
            EXPECT_EQ(field(config, "value_template"),
                      "{{ 'ON' if value_json.status == 'fault' else 'OFF' }}");
        } else {
            EXPECT_EQ(field(config, "state_topic"), "pv/S1/state");
            EXPECT_EQ(config["value_template"].toString(), QStringLiteral("{{ value_json.%1 }}").arg(key));
        }
        EXPECT_EQ(config.contains("options"), key == QStringLiteral("status"));
        EXPECT_EQ(config["device"].toObject(),
                  (QJsonObject{{"identifiers", QJsonArray{"veltroma_S1"}},
                               {"name", "Veltroma S1"},
                               {"manufacturer", "Veltroma"},
                               {"model", "VT-3000"},
                               {"sw_version", "V2.10"},
                               {"serial_number", "S1"}}));
        EXPECT_EQ(config["origin"].toObject(),
                  (QJsonObject{{"name", "Veltroma monitor"},
                               {"sw_version", VELTROMA_PROGRAM_VERSION},
                               {"support_url", VELTROMA_PROGRAM_URL}}));
    }
    EXPECT_EQ(json(messages[10].payload)["options"].toArray(), (QJsonArray{"waiting", "normal", "fault"}));

    // Before the information block came, model and version are left out, not sent empty.
    const auto early = discoveryMessages({QStringLiteral("ha"), QStringLiteral("pv")},
                                         MqttDevice{QStringLiteral("S1"), {}, {}});
    const QJsonObject dev = json(early.front().payload)["device"].toObject();
    EXPECT_FALSE(dev.contains("model"));
    EXPECT_FALSE(dev.contains("sw_version"));
}

TEST(MqttMessagesTest, RemovalEmptiesEveryConfigTopicThatDiscoveryWouldFill)
{
    const DiscoveryTopics topics{QStringLiteral("homeassistant"), QStringLiteral("pv")};
    const auto configs = discoveryMessages(topics, MqttDevice{QStringLiteral("S1"), QStringLiteral("VT-3000"), {}});
    const auto removals = discoveryRemovalMessages(topics, QStringLiteral("S1"));
    ASSERT_EQ(removals.size(), configs.size());
    for (std::size_t i = 0; i < removals.size(); ++i) {
        SCOPED_TRACE(configs[i].topic.toStdString());
        EXPECT_EQ(removals[i].topic, configs[i].topic);
        EXPECT_TRUE(removals[i].payload.isEmpty());
        EXPECT_TRUE(removals[i].retain) << "only a retained empty message clears a retained one";
    }
}

TEST(MqttMessagesTest, WithoutASerialTheMachineNamesTheClient)
{
    // A random id would leave a new session behind at every start.
    const QString unnamed = mqttClientId(QString());
    EXPECT_EQ(unnamed, mqttClientId(QString()));
    EXPECT_GT(unnamed.size(), QStringLiteral("veltroma-").size()) << unnamed.toStdString();
}

TEST(MqttQueueTest, AFullQueueDropsAndCountsTheOldest)
{
    MqttQueue queue(2);
    const auto message = [](const char* topic) { return MqttMessage{QString::fromUtf8(topic), {}, false, 0}; };
    EXPECT_FALSE(queue.push(message("a")));
    EXPECT_FALSE(queue.push(message("b")));
    EXPECT_TRUE(queue.push(message("c")));
    EXPECT_EQ(queue.dropped(), 1U);
    EXPECT_EQ(queue.pop()->topic, QStringLiteral("b"));
    // A message handed back goes first again; when the queue filled meanwhile it is lost.
    queue.pushFront(message("b"));
    EXPECT_EQ(queue.size(), 2U);
    queue.pushFront(message("x"));
    EXPECT_EQ(queue.dropped(), 2U);
    EXPECT_EQ(queue.pop()->topic, QStringLiteral("b"));
    EXPECT_EQ(queue.pop()->topic, QStringLiteral("c"));
    EXPECT_FALSE(queue.pop().has_value());
}

} // namespace
} // namespace veltroma
