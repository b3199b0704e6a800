#pragma once

#include "publish/MqttMessages.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace veltroma {

// Messages waiting for the broker, at most `capacity`: a message pushed onto a full queue
// pushes the oldest out, and that loss is counted. Any thread.
class MqttQueue {
public:
    explicit MqttQueue(std::size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

    // Returns true when an older message had to be dropped to make room.
    bool push(MqttMessage message);
    [[nodiscard]] std::optional<MqttMessage> pop();
    // Puts a message that could not be handed on back in front, unless newer ones filled
    // the queue meanwhile (then it is dropped and counted).
    void pushFront(MqttMessage message);

    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] std::size_t dropped() const;

private:
    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::deque<MqttMessage> messages_;
    std::size_t dropped_ = 0;
};

} // namespace veltroma
