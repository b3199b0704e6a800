#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace veltroma {

// When the engine registers the inverter again by itself: after a declared loss (a sleeping
// inverter wakes without its bus address) or after the port was opened again, at most every
// 30 s, until the inverter answers. Thread-safe: the watchdog asks on the user-interface
// thread, the worker decides between two cycles.
class ReRegistration {
public:
    static constexpr std::int64_t kMinGapMs = 30'000;

    // The connection was switched on with `reopens` reopens so far: nothing is due.
    void reset(std::uint64_t reopens);
    // The link was declared lost.
    void request();
    // The inverter answered (a poll or a registration): nothing is due any more.
    void answered();
    // Worker thread, between two cycles: true when a registration is to run now; it is
    // then counted as an attempt made at `nowMs`. A reopen count above the last one seen
    // asks for one too.
    bool due(std::int64_t nowMs, std::uint64_t reopens);

    [[nodiscard]] bool pending() const;

private:
    mutable std::mutex mutex_;
    bool needed_ = false;
    std::uint64_t seenReopens_ = 0;
    std::optional<std::int64_t> lastAttemptMs_;
};

} // namespace veltroma
