#include "publish/MqttQueue.h"

#include <utility>

namespace veltroma {

bool MqttQueue::push(MqttMessage message)
{
    const std::lock_guard lock(mutex_);
    bool droppedOne = false;
    if (messages_.size() >= capacity_) {
        messages_.pop_front();
        ++dropped_;
        droppedOne = true;
    }
    messages_.push_back(std::move(message));
    return droppedOne;
}

std::optional<MqttMessage> MqttQueue::pop()
{
    const std::lock_guard lock(mutex_);
    if (messages_.empty())
        return std::nullopt;
    MqttMessage message = std::move(messages_.front());
    messages_.pop_front();
    return message;
}

void MqttQueue::pushFront(MqttMessage message)
{
    const std::lock_guard lock(mutex_);
    if (messages_.size() >= capacity_) {
        ++dropped_;
        return;
    }
    messages_.push_front(std::move(message));
}

std::size_t MqttQueue::size() const
{
    const std::lock_guard lock(mutex_);
    return messages_.size();
}

std::size_t MqttQueue::dropped() const
{
    const std::lock_guard lock(mutex_);
    return dropped_;
}

} // namespace veltroma
