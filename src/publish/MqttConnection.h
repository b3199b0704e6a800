#pragma once

#include "publish/MqttMessages.h"
#include "publish/MqttQueue.h"
#include "publish/MqttSettings.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

struct mosquitto;

namespace veltroma {

// What a publisher has done so far, read as a copy by the debug panel and the headless
// counter line.
struct MqttCounters {
    std::uint64_t sent = 0;       // messages handed to the connection
    std::uint64_t dropped = 0;    // pushed out of the full queue before they could be sent
    std::uint64_t failed = 0;     // refused by the client library twice, then dropped
    std::uint64_t reconnects = 0; // connections after the first
    bool connected = false;
    // Totals published as null because they lay below the last one published (CounterGuard).
    std::uint64_t withheld = 0;

    // The counts added up; connected only when both are.
    [[nodiscard]] MqttCounters operator+(const MqttCounters& other) const
    {
        return {sent + other.sent,
                dropped + other.dropped,
                failed + other.failed,
                reconnects + other.reconnects,
                connected && other.connected,
                withheld + other.withheld};
    }
};

// The broker session of one inverter: client id "veltroma-<serial>", a last will "offline" on
// the inverter's availability topic, its discovery configs (or, with discovery off, their
// removal once per connection), states, availability and link.
// The availability says whether the program runs ("online" from every connect, "offline" at a
// clean end and as the last will); the link whether the inverter answers. It connects when
// made, reconnects by itself with a backoff and publishes discovery, availability and the
// wanted link again after every reconnect. States wait in a bounded queue while the
// broker is away; when it is full the oldest goes and is counted. A message the client
// library refuses for itself (not for want of a connection) is tried once more, then dropped
// and counted as failed, so that it never holds up the ones behind it.
//
// Threads: made, fed and destroyed on one thread (the publisher's); the network work and the
// callbacks run on the client library's own thread, so nothing here waits for the broker.
class MqttConnection {
public:
    // From the client library's thread: connected, or the connection ended or failed, with
    // the library's text (empty after a clean connect).
    using StatusListener = std::function<void(bool connected, const QString& reason)>;

    // Starts connecting at once; `device.serial` is topic-safe and not empty. A client that
    // cannot be made, given its last will or started is reported through `listener` and
    // publishes nothing.
    MqttConnection(MqttSettings settings, MqttDevice device, std::size_t queueCapacity,
                   bool linked, StatusListener listener);
    // Publishes the link and the availability "offline" when connected, then disconnects
    // cleanly (no last will).
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Owner's thread: queues a state of this inverter; a device whose model or firmware
    // changed is published in new discovery configs first.
    void publishState(const MqttDevice& device, MqttMessage state);
    // Owner's thread: whether the inverter answers, published on the link topic now if
    // connected, and on every connect.
    void setLinked(bool linked);

    // Any thread.
    [[nodiscard]] MqttCounters counters() const;

private:
    struct ClientDeleter {
        void operator()(mosquitto* client) const;
    };

    void start();
    void stop();
    void publishDiscovery();
    void removeDiscovery();
    // Both with presenceMutex_ held.
    void publishPresence();
    void publishLink();
    enum class Handed { Sent, NoConnection, Failed };

    // Hands queued messages to the connection while it is up. Any thread.
    void drain();
    // One message to the client library, a refused one tried once more; Failed is counted.
    Handed publishNow(const MqttMessage& message);
    Handed publishOnce(const MqttMessage& message);

    // The client library's thread.
    void onConnect(int rc);
    void onDisconnect(int rc);
    void onPublished();
    // Waits until the library has sent (QoS 0) or the broker acknowledged (QoS 1) every
    // message handed to it, at most `timeoutMs`; false when the time ran out.
    bool waitUntilDelivered(int timeoutMs);

    MqttSettings settings_;
    const QString serial_; // topic-safe; names the client, the will and the topics
    MqttQueue queue_;
    StatusListener listener_;
    std::unique_ptr<mosquitto, ClientDeleter> client_;
    bool loopRunning_ = false;

    mutable std::mutex deviceMutex_;
    MqttDevice device_; // guarded by deviceMutex_

    // Held while availability and link are decided and published, so that a connect on the
    // library's thread and a change or the end on the owner's never publish in the wrong order.
    std::mutex presenceMutex_;
    bool stopping_ = false;               // guarded by presenceMutex_
    bool linkWanted_;                     // guarded by presenceMutex_
    std::optional<bool> linkPublished_;   // guarded by presenceMutex_

    std::atomic<bool> connected_ = false;
    std::atomic<bool> everConnected_ = false;
    std::atomic<std::uint64_t> sent_ = 0;
    std::atomic<std::uint64_t> failed_ = 0;
    std::atomic<std::uint64_t> reconnects_ = 0;
    std::mutex drainMutex_;

    // Messages handed to the library and those it has delivered: a clean end waits for the
    // last ones, or its "offline" would be cut off by the disconnect.
    std::mutex deliveryMutex_;
    std::condition_variable delivered_;
    std::uint64_t handedCount_ = 0;    // guarded by deliveryMutex_
    std::uint64_t deliveredCount_ = 0; // guarded by deliveryMutex_
};

} // namespace veltroma
