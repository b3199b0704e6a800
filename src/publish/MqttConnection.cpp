#include "publish/MqttConnection.h"

#include <mosquitto.h>

#include <chrono>
#include <utility>

namespace veltroma {

namespace {

constexpr int kKeepAliveS = 30;
constexpr unsigned kReconnectFirstS = 1;
constexpr unsigned kReconnectMostS = 30;
// How long a clean end waits for its last messages to be out before it disconnects.
constexpr int kStopDeliveryMs = 2000;
// The system's certificate authorities, for TLS without a CA file of its own.
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

void initLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

DiscoveryTopics discoveryTopics(const MqttSettings& settings)
{
    return {settings.discoveryPrefix, settings.prefix};
}

} // namespace

void MqttConnection::ClientDeleter::operator()(mosquitto* client) const
{
    mosquitto_destroy(client);
}

MqttConnection::MqttConnection(MqttSettings settings, MqttDevice device, std::size_t queueCapacity,
                               bool linked, StatusListener listener)
    : settings_(std::move(settings)),
      serial_(device.serial),
      queue_(queueCapacity),
      listener_(std::move(listener)),
      device_(std::move(device)),
      linkWanted_(linked)
{
    initLibraryOnce();
    start();
}

MqttConnection::~MqttConnection()
{
    stop();
}

void MqttConnection::publishState(const MqttDevice& device, MqttMessage state)
{
    bool changed = false;
    {
        const std::lock_guard lock(deviceMutex_);
        changed = device_ != device;
        if (changed)
            device_ = device;
    }
    if (changed)
        publishDiscovery();
    queue_.push(std::move(state));
    drain();
}

void MqttConnection::setLinked(bool linked)
{
    const std::lock_guard lock(presenceMutex_);
    linkWanted_ = linked;
    if (linkPublished_ != linked)
        publishLink();
}

MqttCounters MqttConnection::counters() const
{
    return {sent_.load(), queue_.dropped(), failed_.load(), reconnects_.load(), connected_.load()};
}

void MqttConnection::start()
{
    // One fixed id per inverter: the broker shows which session is whose.
    const QByteArray clientId = utf8(mqttClientId(serial_));
    client_.reset(mosquitto_new(clientId.constData(), true, this));
    if (!client_) {
        listener_(false, QStringLiteral("cannot make an MQTT client"));
        return;
    }
    mosquitto* client = client_.get();
    mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int rc) {
        static_cast<MqttConnection*>(self)->onConnect(rc);
    });
    mosquitto_disconnect_callback_set(client, [](mosquitto*, void* self, int rc) {
        static_cast<MqttConnection*>(self)->onDisconnect(rc);
    });
    mosquitto_publish_callback_set(client, [](mosquitto*, void* self, int) {
        static_cast<MqttConnection*>(self)->onPublished();
    });
    mosquitto_reconnect_delay_set(client, kReconnectFirstS, kReconnectMostS, true);
    if (!settings_.user.isEmpty()) {
        const QByteArray user = utf8(settings_.user);
        const QByteArray password = utf8(settings_.password);
        mosquitto_username_pw_set(client, user.constData(),
                                  password.isEmpty() ? nullptr : password.constData());
    }
    if (settings_.tls) {
        const QByteArray caFile = utf8(settings_.caFile);
        const int rc = mosquitto_tls_set(client, caFile.isEmpty() ? nullptr : caFile.constData(),
                                         caFile.isEmpty() ? kSystemCaPath : nullptr, nullptr,
                                         nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            listener_(false, QString::fromUtf8(mosquitto_strerror(rc)));
            client_.reset();
            return;
        }
    }
    // Without its last will a killed program would leave the inverter "online" for good:
    // no will, no session.
    const MqttMessage will = availabilityMessage(settings_.prefix, serial_, false);
    const QByteArray willTopic = utf8(will.topic);
    const int willRc = willTopic.contains('\0')
        ? MOSQ_ERR_INVAL
        : mosquitto_will_set(client, willTopic.constData(), static_cast<int>(will.payload.size()),
                             will.payload.constData(), will.qos, will.retain);
    if (willRc != MOSQ_ERR_SUCCESS) {
        listener_(false, QStringLiteral("cannot set the last will on %1: %2")
                             .arg(will.topic, QString::fromUtf8(mosquitto_strerror(willRc))));
        client_.reset();
        return;
    }

    // The loop thread first: it retries a connection that fails now, with the backoff.
    if (mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) {
        listener_(false, QStringLiteral("cannot start the MQTT thread"));
        client_.reset();
        return;
    }
    loopRunning_ = true;
    const int rc = mosquitto_connect_async(client, utf8(settings_.host).constData(), settings_.port,
                                           kKeepAliveS);
    if (rc != MOSQ_ERR_SUCCESS)
        listener_(false, QString::fromUtf8(mosquitto_strerror(rc)));
}

void MqttConnection::stop()
{
    if (!client_)
        return;
    const bool wasConnected = connected_.load();
    {
        // A clean end sends no last will: say it ourselves, and so does a connect that
        // completes meanwhile. Nobody polls the inverter any more either.
        const std::lock_guard lock(presenceMutex_);
        stopping_ = true;
        publishPresence();
    }
    if (wasConnected)
        waitUntilDelivered(kStopDeliveryMs);
    mosquitto_disconnect(client_.get());
    if (loopRunning_) {
        // Connected, the thread ends once the disconnect (after the "offline") is out; while
        // it waits to retry a connection it is stopped at once.
        mosquitto_loop_stop(client_.get(), !wasConnected);
        loopRunning_ = false;
    }
    client_.reset();
    connected_ = false;
}

void MqttConnection::publishDiscovery()
{
    if (!settings_.discovery || !connected_)
        return;
    MqttDevice device;
    {
        const std::lock_guard lock(deviceMutex_);
        device = device_;
    }
    for (const MqttMessage& message : discoveryMessages(discoveryTopics(settings_), device))
        publishNow(message);
}

void MqttConnection::removeDiscovery()
{
    // Configs an earlier run left retained would keep the entities in Home Assistant.
    for (const MqttMessage& message : discoveryRemovalMessages(discoveryTopics(settings_), serial_))
        publishNow(message);
}

void MqttConnection::publishPresence()
{
    if (!connected_)
        return; // published with the next connection
    // The link first: at the end, nothing says "online" once the program said "offline".
    publishLink();
    publishNow(availabilityMessage(settings_.prefix, serial_, !stopping_));
}

void MqttConnection::publishLink()
{
    if (!connected_)
        return; // published with the next connection
    const bool linked = linkWanted_ && !stopping_;
    if (publishNow(linkMessage(settings_.prefix, serial_, linked)) == Handed::Sent)
        linkPublished_ = linked;
}

void MqttConnection::drain()
{
    const std::lock_guard lock(drainMutex_);
    while (connected_) {
        std::optional<MqttMessage> message = queue_.pop();
        if (!message)
            return;
        // Only a message that waits for the connection goes back in front; a failed one is
        // gone, and the next one follows at once.
        if (publishNow(*message) == Handed::NoConnection) {
            queue_.pushFront(std::move(*message));
            return;
        }
    }
}

MqttConnection::Handed MqttConnection::publishNow(const MqttMessage& message)
{
    Handed handed = publishOnce(message);
    if (handed == Handed::Failed)
        handed = publishOnce(message);
    if (handed == Handed::Failed)
        ++failed_;
    return handed;
}

MqttConnection::Handed MqttConnection::publishOnce(const MqttMessage& message)
{
    if (!client_)
        return Handed::NoConnection;
    const QByteArray topic = utf8(message.topic);
    // The library takes the topic as a C string: a NUL would publish on a shorter topic.
    if (topic.contains('\0'))
        return Handed::Failed;
    // Counted before the call: the library may report it delivered before the call returns.
    {
        const std::lock_guard lock(deliveryMutex_);
        ++handedCount_;
    }
    const int rc = mosquitto_publish(client_.get(), nullptr, topic.constData(),
                                     static_cast<int>(message.payload.size()),
                                     message.payload.constData(), message.qos, message.retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        const std::lock_guard lock(deliveryMutex_);
        --handedCount_;
    }
    switch (rc) {
    case MOSQ_ERR_SUCCESS:
        ++sent_;
        return Handed::Sent;
    case MOSQ_ERR_NO_CONN:
    case MOSQ_ERR_CONN_LOST:
        return Handed::NoConnection;
    default:
        return Handed::Failed;
    }
}

void MqttConnection::onConnect(int rc)
{
    if (rc != 0) {
        listener_(false, QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    {
        // The configs and the presence go out before any state that waited: a state drained on
        // another thread meanwhile waits here, so no subscriber sees a value before its entity.
        const std::lock_guard drainLock(drainMutex_);
        connected_ = true;
        if (everConnected_.exchange(true))
            ++reconnects_;
        if (settings_.discovery)
            publishDiscovery();
        else
            removeDiscovery();
        // The broker may have lost what it kept: publish availability and link on every
        // connect.
        const std::lock_guard lock(presenceMutex_);
        publishPresence();
    }
    drain();
    listener_(true, {});
}

void MqttConnection::onPublished()
{
    {
        const std::lock_guard lock(deliveryMutex_);
        ++deliveredCount_;
    }
    delivered_.notify_all();
}

bool MqttConnection::waitUntilDelivered(int timeoutMs)
{
    std::unique_lock lock(deliveryMutex_);
    return delivered_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [this] { return deliveredCount_ >= handedCount_; });
}

void MqttConnection::onDisconnect(int rc)
{
    const bool was = connected_.exchange(false);
    // rc 0: our own clean disconnect, nothing to report.
    if (was && rc != 0)
        listener_(false, QString::fromUtf8(mosquitto_strerror(rc)));
}

} // namespace veltroma
