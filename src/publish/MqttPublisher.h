#pragma once

#include "publish/MqttMessages.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

struct mosquitto;

namespace veltroma {

class MonitorEngine;
struct Reading;

// What the publisher has done so far, read as a copy by the debug panel and the headless
// counter line.
struct MqttCounters {
    std::uint64_t sent = 0;        // messages handed to the connection
    std::uint64_t dropped = 0;     // pushed out of the full queue before they could be sent
    std::uint64_t reconnects = 0;  // connections after the first
    bool connected = false;
};

// Publishes the live values of the registered inverter to an MQTT broker: a state message per
// validated realtime reply, its availability (retained, with "offline" as the last will) and,
// when asked for, Home Assistant discovery configs.
//
// Threads: made, fed and destroyed on one thread (the user-interface thread, or the headless
// runner's); the network work runs on the client library's own thread, so nothing here ever
// waits for the broker. The connection is opened once the first reply names the inverter's
// serial number, because the last will's topic carries it; it reconnects by itself with a
// backoff and republishes discovery and availability after every reconnect. Messages wait in
// a bounded queue while the broker is away; when it is full the oldest goes and is counted.
class MqttPublisher final : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kQueueCapacity = 200;

    explicit MqttPublisher(MqttSettings settings, std::size_t queueCapacity = kQueueCapacity,
                           QObject* parent = nullptr);
    // Publishes "offline" when connected, then disconnects cleanly (no last will).
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Listens to the engine's events with queued connections and reads its link state; the
    // engine outlives this publisher.
    void listenTo(MonitorEngine& engine);

    // Any thread.
    [[nodiscard]] MqttCounters counters() const;
    // "host:port", never the user or password: for messages.
    [[nodiscard]] QString brokerText() const;

    // This object's thread.
    void publishReading(const Reading& reading);
    // Where the publisher learns whether the inverter answers (listenTo() gives the engine's
    // link state). Any thread, before the first reading.
    void followLink(std::function<bool()> linkAlive) { linkAlive_ = std::move(linkAlive); }
    // This object's thread: the link's state changed; availability follows it.
    void linkChanged();

signals:
    // From the client library's thread: connected to the broker, or the connection ended.
    // `reason` is the library's text, empty after a clean connect.
    void connectionChanged(bool connected, const QString& reason);

private:
    struct ClientDeleter {
        void operator()(mosquitto* client) const;
    };

    void startSession(const MqttDevice& device);
    void stopSession();
    void publishDiscovery();
    void publishAvailability();
    // Hands queued messages to the connection while it is up. Any thread.
    void drain();
    bool publishNow(const MqttMessage& message);

    // The client library's thread.
    void onConnect(int rc);
    void onDisconnect(int rc);

    MqttSettings settings_;
    MqttQueue queue_;
    std::unique_ptr<mosquitto, ClientDeleter> client_;
    bool loopRunning_ = false;

    mutable std::mutex deviceMutex_;
    MqttDevice device_;            // guarded by deviceMutex_
    // Whether the inverter answers, from the engine's link state; true without an engine.
    std::function<bool()> linkAlive_ = [] { return true; };
    // The availability published last, so that only a change is published again.
    std::atomic<bool> availablePublished_ = true;
    std::atomic<bool> connected_ = false;
    std::atomic<bool> everConnected_ = false;
    std::atomic<std::uint64_t> sent_ = 0;
    std::atomic<std::uint64_t> reconnects_ = 0;
    std::mutex drainMutex_;
};

} // namespace veltroma
