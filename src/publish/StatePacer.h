#pragma once

#include <cstdint>
#include <optional>

namespace veltroma {

struct Reading;

// Paces the state messages of one inverter: while only its values change, at most one per
// interval; a change of its state code or fault word goes out at once, so that a fault is
// never held back.
//
// Threads: the publisher's.
class StatePacer {
public:
    // `intervalMs` 0 (or less): every reading is due.
    explicit StatePacer(std::int64_t intervalMs) : intervalMs_(intervalMs) {}

    // Whether a state of `reading` goes out at `nowMs` (a monotonic tick count in ms).
    [[nodiscard]] bool due(const Reading& reading, std::int64_t nowMs) const;
    // A state of `reading` went out at `nowMs`.
    void sent(const Reading& reading, std::int64_t nowMs);

private:
    std::int64_t intervalMs_;
    std::optional<std::int64_t> lastSentMs_;
    int stateCode_ = 0;
    std::uint32_t faultWord_ = 0;
};

} // namespace veltroma
