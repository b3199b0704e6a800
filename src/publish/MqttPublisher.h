#pragma once

#include "base/Clock.h"
#include "monitor/Reading.h"
#include "publish/CounterGuard.h"
#include "publish/MqttConnection.h"
#include "publish/MqttSettings.h"
#include "publish/StatePacer.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace veltroma {

class MonitorEngine;

// Publishes the live values of the inverters on the bus to an MQTT broker: per inverter the
// state messages of its validated realtime replies (retained unless the settings say
// otherwise; with per-value topics each value as well, before the state), the program's
// availability (retained, with "offline" as the last will), the
// inverter's link (retained: does it answer?) and, when asked for, Home Assistant discovery
// configs.
//
// While only its values change an inverter's states go out at most once per interval (the
// settings' `intervalS`, on `clock`); a change of its state code or fault word goes at once.
// The newest reading held back goes out before the inverter turns unavailable and when the
// publisher ends, so that the retained state is its last.
//
// Every inverter has a broker session of its own (MqttConnection), opened with the first
// reading of its serial number, because the last will's topic carries the serial, and kept
// for the life of this publisher: a reply of another inverter never disturbs it.
// An inverter's link is "online" while the link lives and its slot answers. With several
// inverters a lost slot, or a lost link, makes it "offline" until its next reading; with one,
// the link's state is the inverter's.
//
// Threads: made, fed and destroyed on one thread (the user-interface thread, or the headless
// runner's); the network work runs on the client library's threads, so nothing here ever
// waits for the broker.
class MqttPublisher final : public QObject {
    Q_OBJECT
public:
    // Per inverter.
    static constexpr std::size_t kQueueCapacity = 200;

    explicit MqttPublisher(MqttSettings settings, std::size_t queueCapacity = kQueueCapacity,
                           Clock& clock = steadyClock(), QObject* parent = nullptr);
    // Every session publishes the state it held back and "offline" when connected, then
    // disconnects cleanly (no last will).
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Listens to the engine's events with queued connections and reads its link state; the
    // engine outlives this publisher.
    void listenTo(MonitorEngine& engine);

    // Any thread: the sums over the sessions; connected when there is one and all are.
    [[nodiscard]] MqttCounters counters() const;
    // "host:port", never the user or password: for messages.
    [[nodiscard]] QString brokerText() const;
    [[nodiscard]] const MqttSettings& settings() const { return settings_; }

    // This object's thread.
    void publishReading(const Reading& reading);
    // Where the publisher learns whether the link lives (listenTo() gives the engine's link
    // state). Any thread, before the first reading.
    void followLink(std::function<bool()> linkAlive) { linkAlive_ = std::move(linkAlive); }
    // This object's thread: the link's state changed; every inverter's link follows it.
    void linkChanged();
    // This object's thread: the inverter of `slot` (1..6) registered with this serial number.
    void slotRegistered(int slot, const QString& serial);
    // This object's thread: the inverter of `slot` missed its cycles; its link is "offline"
    // until it answers again.
    void slotLost(int slot);

signals:
    // From a client library's thread: a session connected to the broker, or its connection
    // ended. `reason` is the library's text, empty after a clean connect.
    void connectionChanged(bool connected, const QString& reason);

private:
    struct Inverter {
        std::unique_ptr<MqttConnection> connection;
        // Waits for its next reading before its link counts as "online" again.
        bool silent = false;
        CounterGuard counters;
        StatePacer pacer{0};
        // The newest reading the pacer held back, not yet published.
        std::optional<Reading> held;
    };

    Inverter& inverterFor(const MqttDevice& device);
    void sendState(Inverter& inverter, const Reading& reading);
    void sendHeld(Inverter& inverter);
    void assignSlot(int slot, const QString& serial);
    void silence(Inverter& inverter);

    MqttSettings settings_;
    std::size_t queueCapacity_;
    Clock& clock_;
    // Whether the link lives, from the engine's link state; true without an engine.
    std::function<bool()> linkAlive_ = [] { return true; };

    // Inserted on this object's thread, read by counters() on any.
    mutable std::mutex invertersMutex_;
    std::map<QString, Inverter> inverters_; // by topic-safe serial
    // The serial of each slot, as its readings and registrations name it. This object's thread.
    std::map<int, QString> slotSerials_;
};

} // namespace veltroma
