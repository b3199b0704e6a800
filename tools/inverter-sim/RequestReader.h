#pragma once

#include "Request.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace veltroma::sim {

// Cuts the byte stream from the PC into requests, as a device's receiver does: a request
// starts with 0x43 0x5A (framed) or 'K' '_' (service command); bytes that start neither are
// dropped, a frame whose checksum fails is dropped, and a started request that stays
// incomplete for longer than the gap limit is dropped, so that one lost byte never swallows
// the next request.
class RequestReader {
public:
    enum class Outcome {
        Request,      // a complete request; `request` holds it
        BadChecksum,  // a complete frame whose checksum did not match
        Stray,        // bytes that start no request
        Incomplete,   // a request cut off by silence
    };
    struct Event {
        Outcome outcome = Outcome::Stray;
        Bytes bytes;
        std::optional<Request> request;
    };

    explicit RequestReader(std::int64_t gapLimitMs = 50) : gapLimitMs_(gapLimitMs) {}

    // Takes bytes that arrived at `nowMs`; returns what they completed, in order.
    std::vector<Event> feed(std::span<const std::uint8_t> bytes, std::int64_t nowMs);
    // Drops a started request once the line has been silent for the gap limit.
    std::optional<Event> expire(std::int64_t nowMs);
    // When `expire` has something to do, if anything is pending.
    [[nodiscard]] std::optional<std::int64_t> deadlineMs() const;

private:
    // Length of the request at the front of the pending bytes: 0 while more bytes are needed
    // to know it; nullopt when the front byte starts no request.
    [[nodiscard]] std::optional<std::size_t> frontRequestLength() const;
    void extract(std::vector<Event>& events);
    void dropFront(std::size_t count, Outcome outcome, std::vector<Event>& events);
    [[nodiscard]] std::size_t nextStartAfterFront() const;

    std::int64_t gapLimitMs_;
    Bytes pending_;
    std::int64_t lastByteMs_ = 0;
};

} // namespace veltroma::sim
