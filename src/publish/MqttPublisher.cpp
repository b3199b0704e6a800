#include "publish/MqttPublisher.h"

#include "monitor/MonitorEngine.h"
#include "monitor/Reading.h"

#include <mosquitto.h>

#include <mutex>
#include <utility>

namespace veltroma {

namespace {

constexpr int kKeepAliveS = 30;
constexpr unsigned kReconnectFirstS = 1;
constexpr unsigned kReconnectMostS = 30;
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

} // namespace

void MqttPublisher::ClientDeleter::operator()(mosquitto* client) const
{
    mosquitto_destroy(client);
}

MqttPublisher::MqttPublisher(MqttSettings settings, std::size_t queueCapacity, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), queue_(queueCapacity)
{
    initLibraryOnce();
}

MqttPublisher::~MqttPublisher()
{
    stopSession();
}

void MqttPublisher::listenTo(MonitorEngine& engine)
{
    followLink([&engine] { return !engine.linkState().lost(); });
    EngineEvents& events = engine.events();
    connect(&events, &EngineEvents::readingDecoded, this, &MqttPublisher::publishReading,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkStateChanged, this, &MqttPublisher::linkChanged,
            Qt::QueuedConnection);
}

MqttCounters MqttPublisher::counters() const
{
    return {sent_.load(), queue_.dropped(), reconnects_.load(), connected_.load()};
}

QString MqttPublisher::brokerText() const
{
    return settings_.host + u':' + QString::number(settings_.port);
}

void MqttPublisher::publishReading(const Reading& reading)
{
    if (!settings_.enabled())
        return;
    const MqttDevice device = mqttDevice(reading);
    if (device.serial.isEmpty())
        return; // nothing to name the topics after yet
    MqttDevice known;
    {
        const std::lock_guard lock(deviceMutex_);
        known = device_;
    }
    if (known.serial != device.serial) {
        // Another inverter (or the first): the last will names the serial, so a new session.
        stopSession();
        startSession(device);
    } else if (known != device) {
        {
            const std::lock_guard lock(deviceMutex_);
            device_ = device;
        }
        publishDiscovery();
    }
    queue_.push(stateMessage(settings_.prefix, device.serial, reading));
    drain();
}

void MqttPublisher::linkChanged()
{
    if (linkAlive_() != availablePublished_)
        publishAvailability();
}

void MqttPublisher::startSession(const MqttDevice& device)
{
    {
        const std::lock_guard lock(deviceMutex_);
        device_ = device;
    }
    client_.reset(mosquitto_new(nullptr, true, this));
    if (!client_) {
        emit connectionChanged(false, QStringLiteral("cannot make an MQTT client"));
        return;
    }
    mosquitto* client = client_.get();
    mosquitto_connect_callback_set(client, [](mosquitto*, void* self, int rc) {
        static_cast<MqttPublisher*>(self)->onConnect(rc);
    });
    mosquitto_disconnect_callback_set(client, [](mosquitto*, void* self, int rc) {
        static_cast<MqttPublisher*>(self)->onDisconnect(rc);
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
            emit connectionChanged(false, QString::fromUtf8(mosquitto_strerror(rc)));
            client_.reset();
            return;
        }
    }
    const MqttMessage will = availabilityMessage(settings_.prefix, device.serial, false);
    mosquitto_will_set(client, utf8(will.topic).constData(), static_cast<int>(will.payload.size()),
                       will.payload.constData(), will.qos, will.retain);

    // The loop thread first: it retries a connection that fails now, with the backoff.
    if (mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) {
        emit connectionChanged(false, QStringLiteral("cannot start the MQTT thread"));
        client_.reset();
        return;
    }
    loopRunning_ = true;
    const int rc = mosquitto_connect_async(client, utf8(settings_.host).constData(),
                                           settings_.port, kKeepAliveS);
    if (rc != MOSQ_ERR_SUCCESS)
        emit connectionChanged(false, QString::fromUtf8(mosquitto_strerror(rc)));
}

void MqttPublisher::stopSession()
{
    if (!client_)
        return;
    const bool wasConnected = connected_.load();
    if (wasConnected) {
        MqttDevice device;
        {
            const std::lock_guard lock(deviceMutex_);
            device = device_;
        }
        // A clean end sends no last will: say it ourselves.
        publishNow(availabilityMessage(settings_.prefix, device.serial, false));
    }
    mosquitto_disconnect(client_.get());
    if (loopRunning_) {
        // Connected, the thread ends once the disconnect (after the "offline") is out; while
        // it waits to retry a connection it is stopped at once.
        mosquitto_loop_stop(client_.get(), !wasConnected);
        loopRunning_ = false;
    }
    client_.reset();
    connected_ = false;
    everConnected_ = false;
}

void MqttPublisher::publishDiscovery()
{
    if (!settings_.discovery || !connected_)
        return;
    MqttDevice device;
    {
        const std::lock_guard lock(deviceMutex_);
        device = device_;
    }
    for (const MqttMessage& message : discoveryMessages(settings_.prefix, device))
        publishNow(message);
}

void MqttPublisher::publishAvailability()
{
    if (!connected_)
        return; // published with the next connection
    MqttDevice device;
    {
        const std::lock_guard lock(deviceMutex_);
        device = device_;
    }
    if (device.serial.isEmpty())
        return;
    const bool available = linkAlive_();
    if (publishNow(availabilityMessage(settings_.prefix, device.serial, available)))
        availablePublished_ = available;
}

void MqttPublisher::drain()
{
    const std::lock_guard lock(drainMutex_);
    while (connected_) {
        std::optional<MqttMessage> message = queue_.pop();
        if (!message)
            return;
        if (!publishNow(*message)) {
            queue_.pushFront(std::move(*message));
            return;
        }
    }
}

bool MqttPublisher::publishNow(const MqttMessage& message)
{
    if (!client_)
        return false;
    const QByteArray topic = utf8(message.topic);
    const int rc = mosquitto_publish(client_.get(), nullptr, topic.constData(),
                                     static_cast<int>(message.payload.size()),
                                     message.payload.constData(), message.qos, message.retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return false;
    ++sent_;
    return true;
}

void MqttPublisher::onConnect(int rc)
{
    if (rc != 0) {
        emit connectionChanged(false, QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    connected_ = true;
    if (everConnected_.exchange(true))
        ++reconnects_;
    publishDiscovery();
    publishAvailability();
    drain();
    emit connectionChanged(true, {});
}

void MqttPublisher::onDisconnect(int rc)
{
    const bool was = connected_.exchange(false);
    // rc 0: our own clean disconnect, nothing to report.
    if (was && rc != 0)
        emit connectionChanged(false, QString::fromUtf8(mosquitto_strerror(rc)));
}

} // namespace veltroma
