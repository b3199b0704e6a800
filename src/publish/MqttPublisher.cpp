#include "publish/MqttPublisher.h"

#include "monitor/MonitorEngine.h"
#include "monitor/Reading.h"

#include <utility>

namespace veltroma {

MqttPublisher::MqttPublisher(MqttSettings settings, std::size_t queueCapacity, Clock& clock,
                             QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      queueCapacity_(queueCapacity),
      clock_(clock)
{}

MqttPublisher::~MqttPublisher()
{
    for (auto& entry : inverters_)
        sendHeld(entry.second);
    // Ended here, while the sessions' listeners may still emit on this object; counters()
    // meanwhile sees none.
    std::map<QString, Inverter> ending;
    {
        const std::lock_guard lock(invertersMutex_);
        ending.swap(inverters_);
    }
    ending.clear();
}

void MqttPublisher::listenTo(MonitorEngine& engine)
{
    followLink([&engine] { return !engine.linkState().lost(); });
    EngineEvents& events = engine.events();
    connect(&events, &EngineEvents::readingDecoded, this, &MqttPublisher::publishReading,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::linkStateChanged, this, &MqttPublisher::linkChanged,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::registered, this, &MqttPublisher::slotRegistered,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::slotLost, this, &MqttPublisher::slotLost, Qt::QueuedConnection);
}

MqttCounters MqttPublisher::counters() const
{
    const std::lock_guard lock(invertersMutex_);
    if (inverters_.empty())
        return {};
    MqttCounters total{.connected = true};
    for (const auto& [serial, inverter] : inverters_) {
        MqttCounters counters = inverter.connection->counters();
        counters.withheld = inverter.counters.withheld();
        total = total + counters;
    }
    return total;
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
    assignSlot(reading.slot, device.serial);
    Inverter& inverter = inverterFor(device);
    inverter.silent = false;
    if (inverter.pacer.due(reading, clock_.nowMs()))
        sendState(inverter, reading);
    else
        inverter.held = reading;
    inverter.connection->setLinked(linkAlive_());
}

void MqttPublisher::linkChanged()
{
    const bool alive = linkAlive_();
    // With several inverters the link's return is the reply of one of them: each of the
    // others is back with its own reading.
    const bool several = inverters_.size() > 1;
    for (auto& entry : inverters_) {
        Inverter& inverter = entry.second;
        if (!alive)
            sendHeld(inverter);
        if (!alive && several)
            inverter.silent = true;
        inverter.connection->setLinked(alive && !inverter.silent);
    }
}

void MqttPublisher::slotRegistered(int slot, const QString& serial)
{
    assignSlot(slot, topicSafeSerial(serial));
}

void MqttPublisher::slotLost(int slot)
{
    const auto known = slotSerials_.find(slot);
    if (known == slotSerials_.end())
        return;
    if (const auto found = inverters_.find(known->second); found != inverters_.end())
        silence(found->second);
}

MqttPublisher::Inverter& MqttPublisher::inverterFor(const MqttDevice& device)
{
    if (const auto found = inverters_.find(device.serial); found != inverters_.end())
        return found->second;
    auto connection =
        std::make_unique<MqttConnection>(settings_, device, queueCapacity_, linkAlive_(),
                                         [this](bool connected, const QString& reason) {
                                             emit connectionChanged(connected, reason);
                                         });
    Inverter inverter;
    inverter.connection = std::move(connection);
    inverter.pacer = StatePacer(std::int64_t{settings_.intervalS} * 1000);
    const std::lock_guard lock(invertersMutex_);
    return inverters_.emplace(device.serial, std::move(inverter)).first->second;
}

void MqttPublisher::assignSlot(int slot, const QString& serial)
{
    if (slot <= 0 || serial.isEmpty())
        return;
    // An inverter answers at one slot: where it stood before, that slot is no longer its.
    std::erase_if(slotSerials_,
                  [&](const auto& entry) { return entry.first != slot && entry.second == serial; });
    const QString previous = std::exchange(slotSerials_[slot], serial);
    if (previous.isEmpty() || previous == serial)
        return;
    // Another inverter took this slot: the one before is unavailable until it answers again.
    if (const auto found = inverters_.find(previous); found != inverters_.end())
        silence(found->second);
}

void MqttPublisher::sendState(Inverter& inverter, const Reading& reading)
{
    const MqttDevice device = mqttDevice(reading);
    CounterValues counters;
    {
        // counters() reads what the guard withheld.
        const std::lock_guard lock(invertersMutex_);
        counters = inverter.counters.pass(reading);
    }
    MqttMessage state = stateMessage(settings_.prefix, device.serial, reading, counters);
    state.retain = settings_.retainState;
    if (settings_.perValueTopics) {
        for (MqttMessage& value : valueMessages(settings_.prefix, device.serial, state.payload)) {
            value.retain = settings_.retainState;
            inverter.connection->publishState(device, std::move(value));
        }
    }
    inverter.connection->publishState(device, std::move(state));
    inverter.pacer.sent(reading, clock_.nowMs());
    inverter.held.reset();
}

void MqttPublisher::sendHeld(Inverter& inverter)
{
    if (std::optional<Reading> held = std::exchange(inverter.held, std::nullopt))
        sendState(inverter, *held);
}

void MqttPublisher::silence(Inverter& inverter)
{
    sendHeld(inverter);
    inverter.silent = true;
    inverter.connection->setLinked(false);
}

} // namespace veltroma
