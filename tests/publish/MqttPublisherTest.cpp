#include "MosquittoBroker.h"
#include "support/VirtualClock.h"

#include "monitor/Reading.h"
#include "publish/MqttMessages.h"
#include "publish/MqttPublisher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace veltroma::test {
namespace {

constexpr int kMessageWaitMs = 10'000;
// The client retries after 1, 4, 9 ... seconds; a broker back within a few seconds is seen
// within this.
constexpr int kReconnectWaitMs = 40'000;

Reading readingWithPower(int watts)
{
    Reading reading;
    reading.instant = QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3), QTimeZone(7200));
    reading.slot = 1;
    reading.values = {312.4F, 230.1F, 50.02F, float(watts), 4.2F, 185.0F, 12349.8F, 4099.0F, 41.5F};
    // All but the minutes of the day, as a full realtime reply.
    reading.carried.fill(true);
    reading.carried[std::size_t(index(Quantity::Htoday))] = false;
    reading.stateCode = 1;
    reading.stateText = QStringLiteral("Normal");
    reading.serial = QStringLiteral("S1");
    reading.model = QStringLiteral("VT-3000");
    reading.firmware = QStringLiteral("V2.10");
    return reading;
}

Reading readingOf(const QString& serial, int slot, int watts)
{
    Reading reading = readingWithPower(watts);
    reading.serial = serial;
    reading.slot = slot;
    return reading;
}

int power(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object()["ac_power"].toInt();
}

QJsonValue energyTotal(const QByteArray& payload)
{
    return QJsonDocument::fromJson(payload).object()["energy_total"];
}

MqttSettings settingsFor(int port)
{
    MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = port;
    settings.prefix = QStringLiteral("pv");
    // Every reading published, unless a test is about the interval.
    settings.intervalS = 0;
    return settings;
}

// A broker on a free loopback port and a subscriber to everything on it.
class MqttPublisherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (MosquittoBroker::executable().isEmpty())
            GTEST_SKIP() << "mosquitto is not installed";
        ASSERT_TRUE(broker_.start()) << broker_.log().toStdString();
    }

    bool waitFor(TopicSubscriber& subscriber, const QString& topic, const QByteArray& payload)
    {
        return subscriber.waitUntil([&] { return subscriber.last(topic) == payload; }, kMessageWaitMs);
    }

    bool waitForPower(TopicSubscriber& subscriber, const QString& serial, int watts)
    {
        const QString topic = QStringLiteral("pv/%1/state").arg(serial);
        return subscriber.waitUntil(
            [&] {
                const auto last = subscriber.last(topic);
                return last && power(*last) == watts;
            },
            kMessageWaitMs);
    }

    MosquittoBroker broker_;
};

QString availabilityOf(const QString& serial)
{
    return QStringLiteral("pv/%1/availability").arg(serial);
}

QString linkOf(const QString& serial)
{
    return QStringLiteral("pv/%1/link").arg(serial);
}

qsizetype offlineCount(const TopicSubscriber& subscriber, const QString& topic)
{
    const auto messages = subscriber.on(topic);
    return std::count_if(messages.begin(), messages.end(),
                         [](const auto& message) { return message.payload == "offline"; });
}

// What an inverter published after its link last went offline, in the order it came.
QList<TopicSubscriber::Message> sinceOffline(const TopicSubscriber& subscriber,
                                             const QString& serial)
{
    QList<TopicSubscriber::Message> since;
    for (const auto& message : subscriber.messages()) {
        if (!message.topic.startsWith(QStringLiteral("pv/%1/").arg(serial)))
            continue;
        if (message.topic == linkOf(serial) && message.payload == "offline")
            since.clear();
        else
            since.append(message);
    }
    return since;
}

TEST_F(MqttPublisherTest, PublishesDiscoveryStateAndTheProgramsAvailabilityApartFromTheLink)
{
    TopicSubscriber subscriber(broker_.port());
    ASSERT_TRUE(subscriber.started());
    auto publisher = std::make_unique<MqttPublisher>(settingsFor(broker_.port()));
    // The subscriber may not be listening yet: keep feeding until a state arrives.
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            publisher->publishReading(readingWithPower(1523));
            return !subscriber.on(QStringLiteral("pv/S1/state")).isEmpty();
        },
        kMessageWaitMs));
    EXPECT_EQ(power(*subscriber.last(QStringLiteral("pv/S1/state"))), 1523);
    ASSERT_TRUE(waitFor(subscriber, availabilityOf(QStringLiteral("S1")), "online"));
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S1")), "online"));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] { return subscriber.last(QStringLiteral("homeassistant/binary_sensor/veltroma_S1/link/config")).has_value(); },
        kMessageWaitMs));
    const QJsonObject config = QJsonDocument::fromJson(
        *subscriber.last(QStringLiteral("homeassistant/sensor/veltroma_S1/ac_power/config"))).object();
    EXPECT_EQ(config["unique_id"].toString(), QStringLiteral("veltroma_S1_ac_power"));

    // The link lost: the inverter does not answer, the program still runs.
    bool alive = false;
    publisher->followLink([&alive] { return alive; });
    publisher->linkChanged();
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S1")), "offline"));
    alive = true;
    publisher->linkChanged();
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S1")), "online"));
    EXPECT_EQ(offlineCount(subscriber, availabilityOf(QStringLiteral("S1"))), 0);
    EXPECT_EQ(subscriber.on(availabilityOf(QStringLiteral("S1"))).size(), 1);

    const MqttCounters counters = publisher->counters();
    EXPECT_TRUE(counters.connected);
    EXPECT_EQ(counters.dropped, 0U);
    EXPECT_EQ(counters.failed, 0U);
    EXPECT_EQ(counters.reconnects, 0U);
    EXPECT_GE(counters.sent, 16U) << "thirteen configs, an availability, links, at least one state";

    // A program that ends normally says it is offline, and that nobody polls the inverter;
    // the broker keeps both for newcomers.
    publisher.reset();
    TopicSubscriber newcomer(broker_.port(), QStringLiteral("pv/S1/#"));
    ASSERT_TRUE(newcomer.waitUntil(
        [&] {
            return newcomer.last(availabilityOf(QStringLiteral("S1"))) == "offline"
                && newcomer.last(linkOf(QStringLiteral("S1"))) == "offline";
        },
        kMessageWaitMs));
}

TEST_F(MqttPublisherTest, ReconnectsAfterTheBrokerRestartsAndPublishesDiscoveryAgain)
{
    MqttPublisher publisher(settingsFor(broker_.port()));
    TopicSubscriber subscriber(broker_.port());
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            publisher.publishReading(readingWithPower(100));
            return !subscriber.on(QStringLiteral("pv/S1/state")).isEmpty();
        },
        kMessageWaitMs));

    // The broker forgets everything retained (no persistence): what a new subscriber sees
    // after the restart was published again.
    broker_.stop();
    ASSERT_TRUE(subscriber.waitUntil([&] { return !publisher.counters().connected; }, kMessageWaitMs));
    publisher.publishReading(readingWithPower(200));
    ASSERT_TRUE(broker_.start()) << broker_.log().toStdString();

    TopicSubscriber after(broker_.port());
    ASSERT_TRUE(after.waitUntil(
        [&] {
            return after.last(QStringLiteral("pv/S1/availability")) == "online"
                && after.last(QStringLiteral("homeassistant/sensor/veltroma_S1/energy_total/config"));
        },
        kReconnectWaitMs))
        << broker_.log().toStdString();
    EXPECT_EQ(publisher.counters().reconnects, 1U);
    publisher.publishReading(readingWithPower(300));
    ASSERT_TRUE(after.waitUntil(
        [&] {
            const auto last = after.last(QStringLiteral("pv/S1/state"));
            return last && power(*last) == 300;
        },
        kMessageWaitMs));
}

TEST_F(MqttPublisherTest, WhileTheBrokerIsAwayTheNewestStatesWaitAndTheOldestAreDropped)
{
    const int port = broker_.port();
    broker_.stop();
    MqttPublisher publisher(settingsFor(port), 3);
    for (int watts = 1; watts <= 5; ++watts)
        publisher.publishReading(readingWithPower(watts));
    EXPECT_EQ(publisher.counters().dropped, 2U);
    EXPECT_FALSE(publisher.counters().connected);

    // A subscriber that is there before the messages go out: start the broker, subscribe,
    // and only then let the publisher in (it retries on its own schedule).
    ASSERT_TRUE(broker_.start()) << broker_.log().toStdString();
    TopicSubscriber subscriber(port, QStringLiteral("pv/S1/state"));
    ASSERT_TRUE(subscriber.started());
    ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.messages().size() >= 3; }, kReconnectWaitMs))
        << "the subscriber may have come after the publisher: "
        << subscriber.messages().size();
    QList<int> powers;
    for (const auto& message : subscriber.messages())
        powers << power(message.payload);
    EXPECT_EQ(powers, (QList<int>{3, 4, 5}));
}

TEST_F(MqttPublisherTest, AMessageTheClientRefusesIsCountedAndDroppedWithoutHoldingUpTheOthers)
{
    const int port = broker_.port();
    broker_.stop();
    MqttSettings settings = settingsFor(port);
    settings.discovery = false;
    const MqttDevice device{QStringLiteral("S1"), {}, {}};
    MqttConnection connection(settings, device, 10, true, [](bool, const QString&) {});
    const auto state = [](const char* topic, const char* payload) {
        return MqttMessage{QString::fromUtf8(topic), payload, false, 0};
    };
    // Waiting for the broker: the message with a wildcard in its topic, which the client
    // library refuses, stands between two good ones.
    connection.publishState(device, state("pv/S1/state", "1"));
    connection.publishState(device, state("pv/+/state", "refused"));
    connection.publishState(device, state("pv/S1/state", "2"));

    ASSERT_TRUE(broker_.start()) << broker_.log().toStdString();
    TopicSubscriber subscriber(port, QStringLiteral("pv/S1/state"));
    ASSERT_TRUE(subscriber.started());
    ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.messages().size() >= 2; }, kReconnectWaitMs))
        << "the subscriber may have come after the publisher: " << subscriber.messages().size();
    EXPECT_EQ(connection.counters().failed, 1U);

    // Connected: a refused message goes at once, and the next one follows it.
    connection.publishState(device, state("pv/#", "refused"));
    connection.publishState(device, state("pv/S1/state", "3"));
    ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.messages().size() >= 3; }, kMessageWaitMs));
    QList<QByteArray> payloads;
    for (const auto& message : subscriber.messages())
        payloads << message.payload;
    EXPECT_EQ(payloads, (QList<QByteArray>{"1", "2", "3"}));
    const MqttCounters counters = connection.counters();
    EXPECT_EQ(counters.failed, 2U);
    EXPECT_EQ(counters.dropped, 0U);
    EXPECT_TRUE(counters.connected);
}

TEST_F(MqttPublisherTest, ALastWillThatCannotBeSetIsReportedAndNoSessionIsOpened)
{
    MqttSettings settings = settingsFor(broker_.port());
    settings.prefix = QStringLiteral("pv/+");
    MqttPublisher publisher(settings, 3);
    QStringList reasons;
    QObject::connect(&publisher, &MqttPublisher::connectionChanged,
                     [&reasons](bool connected, const QString& reason) {
                         if (!connected)
                             reasons << reason;
                     });
    publisher.publishReading(readingWithPower(100));
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_TRUE(reasons.front().startsWith(QStringLiteral("cannot set the last will on pv/+/S1/availability")))
        << reasons.front().toStdString();
    EXPECT_FALSE(publisher.counters().connected);
}

TEST_F(MqttPublisherTest, ASubscriberThatComesLaterSeesTheLastStateOnlyWhenItIsRetained)
{
    for (const bool retain : {true, false}) {
        SCOPED_TRACE(retain ? "retained" : "not retained");
        const QString serial = retain ? QStringLiteral("S1") : QStringLiteral("S2");
        const QString state = QStringLiteral("pv/%1/state").arg(serial);
        MqttSettings settings = settingsFor(broker_.port());
        settings.retainState = retain;
        MqttPublisher publisher(settings);
        TopicSubscriber first(broker_.port(), state);
        ASSERT_TRUE(first.waitUntil(
            [&] {
                publisher.publishReading(readingOf(serial, 1, 1523));
                return !first.messages().isEmpty();
            },
            kMessageWaitMs));
        // Once this one has come, the broker has handled every state before it: none of them
        // can reach the later subscriber as a live message.
        publisher.publishReading(readingOf(serial, 1, 1550));
        ASSERT_TRUE(waitForPower(first, serial, 1550));

        // The retained messages of a subscription come before anything published after it:
        // once the next state is there, a retained one would have come first.
        TopicSubscriber later(broker_.port(), QStringLiteral("pv/%1/#").arg(serial));
        ASSERT_TRUE(later.waitUntil([&] { return later.last(availabilityOf(serial)) == "online"; },
                                    kMessageWaitMs));
        publisher.publishReading(readingOf(serial, 1, 1600));
        ASSERT_TRUE(waitForPower(later, serial, 1600));
        QList<int> powers;
        for (const auto& message : later.on(state))
            powers << power(message.payload);
        EXPECT_EQ(powers, retain ? (QList<int>{1550, 1600}) : (QList<int>{1600}));
    }
}

TEST_F(MqttPublisherTest, AnEnergyTotalBelowTheLastIsPublishedAsNullAndCounted)
{
    TopicSubscriber subscriber(broker_.port(), QStringLiteral("pv/S1/state"));
    ASSERT_TRUE(subscriber.started());
    MqttPublisher publisher(settingsFor(broker_.port()));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            publisher.publishReading(readingWithPower(100));
            return !subscriber.messages().isEmpty();
        },
        kMessageWaitMs));

    const auto withTotal = [](int watts, float total, bool carried) {
        Reading reading = readingWithPower(watts);
        const auto i = std::size_t(index(Quantity::Etotal));
        reading.values[i] = total;
        reading.carried[i] = carried;
        return reading;
    };
    publisher.publishReading(withTotal(101, 12000.0F, true));
    publisher.publishReading(withTotal(102, 12349.8F, false));
    publisher.publishReading(withTotal(103, 0.0F, true));
    publisher.publishReading(withTotal(104, 12350.1F, true));
    ASSERT_TRUE(waitForPower(subscriber, QStringLiteral("S1"), 104));

    QList<QJsonValue> totals;
    for (const auto& message : subscriber.messages()) {
        if (power(message.payload) > 100)
            totals << energyTotal(message.payload);
    }
    EXPECT_EQ(totals, (QList<QJsonValue>{QJsonValue::Null, QJsonValue::Null, QJsonValue::Null,
                                         QJsonValue(12350.1)}));
    EXPECT_EQ(publisher.counters().withheld, 2U) << "the lower total and the 0";
}

// What a new subscriber sees under `root` ("ha/") until a state the publisher sends after it
// subscribed has come: the retained messages, and anything published meanwhile.
QList<TopicSubscriber::Message> seenUnder(int port, const QString& root, MqttPublisher& publisher,
                                          const QString& stateTopic = QStringLiteral("pv/S1/state"))
{
    TopicSubscriber later(port, QStringLiteral("#"));
    QList<TopicSubscriber::Message> seen;
    // A power no state had before: a retained state of an earlier publisher does not count.
    static int watts = 5000;
    ++watts;
    const bool fresh = later.waitUntil(
        [&] {
            publisher.publishReading(readingWithPower(watts));
            const auto last = later.last(stateTopic);
            return last && power(*last) == watts;
        },
        kMessageWaitMs);
    EXPECT_TRUE(fresh) << "no state on " << stateTopic.toStdString();
    for (const auto& message : later.messages()) {
        if (message.topic.startsWith(root))
            seen.append(message);
    }
    return seen;
}

// The same as topic -> payload, the last of each topic.
QMap<QString, QByteArray> lastUnder(int port, const QString& root, MqttPublisher& publisher,
                                    const QString& stateTopic = QStringLiteral("pv/S1/state"))
{
    QMap<QString, QByteArray> last;
    for (const auto& message : seenUnder(port, root, publisher, stateTopic))
        last.insert(message.topic, message.payload);
    return last;
}

TEST_F(MqttPublisherTest, WithDiscoveryOffTheRetainedConfigsAreRemovedForLaterSubscribers)
{
    {
        MqttPublisher publisher(settingsFor(broker_.port()));
        ASSERT_EQ(lastUnder(broker_.port(), QStringLiteral("homeassistant/"), publisher).size(), 13);
    }
    MqttSettings off = settingsFor(broker_.port());
    off.discovery = false;
    MqttPublisher publisher(off);
    // The session removes the configs when it connects, before its first state.
    TopicSubscriber states(broker_.port(), QStringLiteral("pv/S1/state"));
    ASSERT_TRUE(states.waitUntil(
        [&] {
            publisher.publishReading(readingWithPower(100));
            const auto last = states.last(QStringLiteral("pv/S1/state"));
            return last && power(*last) == 100;
        },
        kMessageWaitMs));
    // Nothing retained is left, and the removal is not repeated with every state.
    const auto seen = seenUnder(broker_.port(), QStringLiteral("homeassistant/"), publisher);
    EXPECT_TRUE(seen.isEmpty()) << seen.size() << " messages, the first on "
                                << seen.value(0).topic.toStdString();

    // The broker knows the session by its fixed id.
    broker_.stop();
    EXPECT_TRUE(broker_.log().contains(QStringLiteral(" as veltroma-S1 "))) << broker_.log().toStdString();
}

TEST_F(MqttPublisherTest, AfterAPrefixChangeEveryEntityIsCompleteUnderTheNewTopics)
{
    MqttSettings settings = settingsFor(broker_.port());
    {
        MqttPublisher publisher(settings);
        ASSERT_EQ(lastUnder(broker_.port(), QStringLiteral("homeassistant/"), publisher).size(), 13);
    }
    // The same configs, re-pointed: the entities (and their history) stay, their values
    // come from the new topics.
    settings.prefix = QStringLiteral("solar");
    const QString solarState = QStringLiteral("solar/S1/state");
    {
        MqttPublisher publisher(settings);
        const auto configs = lastUnder(broker_.port(), QStringLiteral("homeassistant/"), publisher, solarState);
        ASSERT_EQ(configs.size(), 13);
        for (const QByteArray& payload : configs) {
            const QJsonObject config = QJsonDocument::fromJson(payload).object();
            SCOPED_TRACE(config["unique_id"].toString().toStdString());
            EXPECT_TRUE(config["state_topic"].toString().startsWith(QStringLiteral("solar/S1/")));
            for (const QJsonValue& topic : config["availability"].toArray())
                EXPECT_TRUE(topic.toObject()["topic"].toString().startsWith(QStringLiteral("solar/S1/")));
        }
    }
    // Another discovery prefix: everything is there under it, nothing of ours is needed from
    // the old one.
    settings.discoveryPrefix = QStringLiteral("ha");
    MqttPublisher publisher(settings);
    const auto configs = lastUnder(broker_.port(), QStringLiteral("ha/"), publisher, solarState);
    ASSERT_EQ(configs.size(), 13);
    const auto expected = discoveryMessages({QStringLiteral("ha"), QStringLiteral("solar")},
                                            mqttDevice(readingWithPower(0)));
    for (const MqttMessage& message : expected) {
        SCOPED_TRACE(message.topic.toStdString());
        EXPECT_EQ(configs.value(message.topic), message.payload);
    }
    const auto topics = lastUnder(broker_.port(), QStringLiteral("solar/"), publisher, solarState);
    EXPECT_EQ(topics.value(QStringLiteral("solar/S1/availability")), "online");
    EXPECT_EQ(topics.value(QStringLiteral("solar/S1/link")), "online");
    EXPECT_GT(power(topics.value(solarState)), 5000);
}

TEST_F(MqttPublisherTest, PerValueTopicsArePacedAndRetainedLikeTheStateAndOffByDefault)
{
    VirtualClock clock;
    MqttSettings settings = settingsFor(broker_.port());
    settings.intervalS = 10;
    settings.perValueTopics = true;
    auto publisher = std::make_unique<MqttPublisher>(settings, MqttPublisher::kQueueCapacity, clock);
    TopicSubscriber subscriber(broker_.port(), QStringLiteral("pv/S1/+"));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            clock.advance(10'000);
            publisher->publishReading(readingWithPower(1));
            return !subscriber.on(QStringLiteral("pv/S1/state")).isEmpty();
        },
        kMessageWaitMs));
    clock.advance(10'000);
    publisher->publishReading(readingWithPower(100));
    clock.advance(1'000);
    publisher->publishReading(readingWithPower(101)); // held back, its values too
    ASSERT_TRUE(waitForPower(subscriber, QStringLiteral("S1"), 100));
    subscriber.waitUntil([] { return false; }, 300);
    QList<QByteArray> powers;
    for (const auto& message : subscriber.on(QStringLiteral("pv/S1/ac_power")))
        powers << message.payload;
    ASSERT_FALSE(powers.isEmpty());
    EXPECT_EQ(powers.last(), "100");
    EXPECT_FALSE(powers.contains("101"));
    EXPECT_EQ(subscriber.on(QStringLiteral("pv/S1/ac_power")).size(),
              subscriber.on(QStringLiteral("pv/S1/state")).size());
    EXPECT_EQ(power(*subscriber.last(QStringLiteral("pv/S1/state"))), 100)
        << "the state text must not take the state message's topic";

    // Retained: a later subscriber finds them, the held reading's among them once the
    // publisher has ended.
    publisher.reset();
    TopicSubscriber later(broker_.port(), QStringLiteral("pv/S1/+"));
    ASSERT_TRUE(later.waitUntil(
        [&] {
            return later.last(QStringLiteral("pv/S1/ac_power")) == "101"
                && later.last(QStringLiteral("pv/S1/status")) == "normal"
                && later.last(QStringLiteral("pv/S1/state_text")) == "Normal";
        },
        kMessageWaitMs));

    // Off by default: the state alone.
    MqttPublisher plain(settingsFor(broker_.port()));
    TopicSubscriber fresh(broker_.port(), QStringLiteral("pv/S2/+"));
    ASSERT_TRUE(fresh.waitUntil(
        [&] {
            plain.publishReading(readingOf(QStringLiteral("S2"), 2, 200));
            return !fresh.on(QStringLiteral("pv/S2/state")).isEmpty();
        },
        kMessageWaitMs));
    for (const auto& message : fresh.messages())
        EXPECT_TRUE(message.topic == QStringLiteral("pv/S2/state") || message.topic == availabilityOf("S2")
                    || message.topic == linkOf("S2"))
            << message.topic.toStdString();
}

// Two inverters on the bus from here on: S1 at slot 1, S2 at slot 2.
TEST_F(MqttPublisherTest, AtMostOneStatePerIntervalPerInverterAndAChangeOfStateAtOnce)
{
    VirtualClock clock;
    MqttSettings settings = settingsFor(broker_.port());
    settings.intervalS = 10;
    MqttPublisher publisher(settings, MqttPublisher::kQueueCapacity, clock);
    TopicSubscriber subscriber(broker_.port(), QStringLiteral("pv/#"));
    ASSERT_TRUE(subscriber.started());
    // Until the subscriber listens: each of these is the first after an interval.
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            clock.advance(10'000);
            publisher.publishReading(readingOf(QStringLiteral("S1"), 1, 1));
            return !subscriber.on(QStringLiteral("pv/S1/state")).isEmpty();
        },
        kMessageWaitMs));

    // Readings at moments counted from the last one above.
    std::int64_t lastMs = 0;
    const auto at = [&](std::int64_t sinceMs, const QString& serial, int slot, int watts,
                        int stateCode = 1) {
        clock.advance(sinceMs - std::exchange(lastMs, sinceMs));
        Reading reading = readingOf(serial, slot, watts);
        reading.stateCode = stateCode;
        publisher.publishReading(reading);
    };
    const QString s1 = QStringLiteral("S1");
    const QString s2 = QStringLiteral("S2");
    at(10'000, s1, 1, 100);     // an interval after the last: out
    at(11'000, s1, 1, 101);     // held
    at(12'000, s2, 2, 200);     // the first of S2: out
    // S2's session connects first (virtual time stands still meanwhile).
    ASSERT_TRUE(waitForPower(subscriber, s2, 200));
    at(13'000, s2, 2, 201);     // held
    at(14'000, s1, 1, 102);     // held
    at(15'000, s1, 1, 103, 2);  // a fault: out at once
    at(16'000, s1, 1, 104, 2);  // held
    at(22'000, s2, 2, 202);     // S2's interval has passed: out
    at(23'000, s2, 2, 203);     // held
    at(25'000, s1, 1, 105, 2);  // S1's interval since the fault has passed: out
    ASSERT_TRUE(waitForPower(subscriber, s1, 105));
    // The held state goes before the inverter's link goes offline.
    publisher.slotLost(2);
    ASSERT_TRUE(waitFor(subscriber, linkOf(s2), "offline"));

    const auto powers = [&](const QString& serial) {
        QList<int> list;
        for (const auto& message : subscriber.on(QStringLiteral("pv/%1/state").arg(serial))) {
            if (const int watts = power(message.payload); watts >= 100)
                list << watts;
        }
        return list;
    };
    EXPECT_EQ(powers(s1), (QList<int>{100, 103, 105}));
    EXPECT_EQ(powers(s2), (QList<int>{200, 202, 203}));
}

TEST_F(MqttPublisherTest, EveryInverterIsADeviceOfItsOwnWhoseSessionTheOtherNeverDisturbs)
{
    TopicSubscriber subscriber(broker_.port());
    ASSERT_TRUE(subscriber.started());
    MqttPublisher publisher(settingsFor(broker_.port()));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            publisher.publishReading(readingOf(QStringLiteral("S1"), 1, 100));
            return subscriber.last(linkOf(QStringLiteral("S1"))) == "online"
                && !subscriber.on(QStringLiteral("pv/S1/state")).isEmpty();
        },
        kMessageWaitMs));
    publisher.publishReading(readingOf(QStringLiteral("S2"), 2, 200));
    publisher.publishReading(readingOf(QStringLiteral("S1"), 1, 101));
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S2")), "online"));
    ASSERT_TRUE(waitForPower(subscriber, QStringLiteral("S2"), 200));
    ASSERT_TRUE(waitForPower(subscriber, QStringLiteral("S1"), 101));

    for (const QString& serial : {QStringLiteral("S1"), QStringLiteral("S2")}) {
        SCOPED_TRACE(serial.toStdString());
        EXPECT_EQ(subscriber.last(availabilityOf(serial)), "online");
        const QString sensors = QStringLiteral("homeassistant/sensor/veltroma_%1/").arg(serial);
        const QString link = QStringLiteral("homeassistant/binary_sensor/veltroma_%1/link/config").arg(serial);
        ASSERT_TRUE(subscriber.waitUntil([&] { return subscriber.last(link).has_value(); },
                                         kMessageWaitMs));
        const QJsonObject config = QJsonDocument::fromJson(
            *subscriber.last(sensors + QStringLiteral("ac_power/config"))).object();
        EXPECT_EQ(config["unique_id"].toString(),
                  QStringLiteral("veltroma_%1_ac_power").arg(serial));
        EXPECT_EQ(config["state_topic"].toString(), QStringLiteral("pv/%1/state").arg(serial));
        EXPECT_EQ(config["availability"].toArray(),
                  (QJsonArray{QJsonObject{{"topic", availabilityOf(serial)}},
                              QJsonObject{{"topic", linkOf(serial)}}}));
        EXPECT_EQ(config["device"].toObject()["identifiers"].toArray().first().toString(),
                  QStringLiteral("veltroma_") + serial);
        const QJsonObject linkConfig = QJsonDocument::fromJson(*subscriber.last(link)).object();
        EXPECT_EQ(linkConfig["state_topic"].toString(), linkOf(serial));
        EXPECT_EQ(linkConfig["availability"].toArray(),
                  (QJsonArray{QJsonObject{{"topic", availabilityOf(serial)}}}));
        EXPECT_EQ(linkConfig["device"].toObject(), config["device"].toObject());
    }
    EXPECT_EQ(offlineCount(subscriber, availabilityOf(QStringLiteral("S1"))), 0)
        << "the reading of S2 ended the session of S1";
    const MqttCounters counters = publisher.counters();
    EXPECT_TRUE(counters.connected);
    EXPECT_EQ(counters.reconnects, 0U);
    EXPECT_EQ(counters.dropped, 0U);
    EXPECT_GE(counters.sent, 33U) << "per inverter thirteen configs, an availability and a link; three states";

    // Slot 2 stops answering: only S2's link goes offline, until its next reading; the
    // program runs on for both.
    publisher.slotLost(2);
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S2")), "offline"));
    // Whatever S1's session published before this state has arrived once the state has.
    publisher.publishReading(readingOf(QStringLiteral("S1"), 1, 102));
    ASSERT_TRUE(waitForPower(subscriber, QStringLiteral("S1"), 102));
    EXPECT_EQ(offlineCount(subscriber, linkOf(QStringLiteral("S1"))), 0);
    EXPECT_EQ(offlineCount(subscriber, availabilityOf(QStringLiteral("S2"))), 0);
    publisher.publishReading(readingOf(QStringLiteral("S2"), 2, 202));
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S2")), "online"));

    // Another inverter registered at slot 2: the one that stood there before is gone.
    publisher.slotRegistered(2, QStringLiteral("S3"));
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S2")), "offline"));
}

TEST_F(MqttPublisherTest, WithSeveralInvertersEachIsBackAfterALostLinkOnlyWithItsOwnReading)
{
    TopicSubscriber subscriber(broker_.port());
    ASSERT_TRUE(subscriber.started());
    MqttPublisher publisher(settingsFor(broker_.port()));
    bool alive = true;
    publisher.followLink([&alive] { return alive; });
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            publisher.publishReading(readingOf(QStringLiteral("S1"), 1, 100));
            publisher.publishReading(readingOf(QStringLiteral("S2"), 2, 200));
            return subscriber.last(linkOf(QStringLiteral("S1"))) == "online"
                && subscriber.last(linkOf(QStringLiteral("S2"))) == "online";
        },
        kMessageWaitMs));

    alive = false;
    publisher.linkChanged();
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S1")), "offline"));
    ASSERT_TRUE(waitFor(subscriber, linkOf(QStringLiteral("S2")), "offline"));

    alive = true;
    publisher.linkChanged();
    for (const auto& [serial, slot, watts] : {std::tuple(QStringLiteral("S2"), 2, 222),
                                              std::tuple(QStringLiteral("S1"), 1, 111)}) {
        SCOPED_TRACE(serial.toStdString());
        publisher.publishReading(readingOf(serial, slot, watts));
        ASSERT_TRUE(waitFor(subscriber, linkOf(serial), "online"));
        // Within one session the order holds: the state came first, so the link's return
        // alone did not bring this inverter back.
        const auto since = sinceOffline(subscriber, serial);
        ASSERT_GE(since.size(), 2);
        EXPECT_EQ(since[0].topic.toStdString(),
                  QStringLiteral("pv/%1/state").arg(serial).toStdString());
        EXPECT_EQ(power(since[0].payload), watts);
        EXPECT_EQ(since[1].topic.toStdString(), linkOf(serial).toStdString());
    }
}

TEST_F(MqttPublisherTest, AKilledProgramLeavesEveryInverterOfflineThroughItsOwnWill)
{
    TopicSubscriber subscriber(broker_.port());
    ASSERT_TRUE(subscriber.started());
    QProcess program;
    program.start(QStringLiteral(VELTROMA_PUBLISH_UNTIL_KILLED_EXE),
                  {QString::number(broker_.port()), QStringLiteral("S1"), QStringLiteral("S2")});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            return subscriber.last(availabilityOf(QStringLiteral("S1"))) == "online"
                && subscriber.last(availabilityOf(QStringLiteral("S2"))) == "online"
                && !subscriber.on(QStringLiteral("pv/S2/state")).isEmpty();
        },
        kMessageWaitMs))
        << program.readAllStandardError().toStdString();

    program.kill();
    ASSERT_TRUE(program.waitForFinished(5000));
    ASSERT_TRUE(subscriber.waitUntil(
        [&] {
            return subscriber.last(availabilityOf(QStringLiteral("S1"))) == "offline"
                && subscriber.last(availabilityOf(QStringLiteral("S2"))) == "offline";
        },
        kMessageWaitMs));
    // Only the will could be said: the links stay as they were, and Home Assistant shows
    // every entity unavailable through the program's availability.
    EXPECT_EQ(subscriber.last(linkOf(QStringLiteral("S1"))), "online");
}

} // namespace
} // namespace veltroma::test
