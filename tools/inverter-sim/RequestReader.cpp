#include "RequestReader.h"

namespace veltroma::sim {

namespace {

constexpr std::uint8_t kSetSerialEnd = 0x45;  // 'E'

struct ServiceShape {
    char first;
    char second;
    ServiceCommand command;
    std::size_t length;
};

constexpr ServiceShape kServiceShapes[] = {
    {'r', 'S', ServiceCommand::ReadSerial, 4},
    {'c', 'S', ServiceCommand::SetSerial, 15},
    {'p', 'C', ServiceCommand::ReadDci, 4},
    {'D', 'A', ServiceCommand::WriteDci, 6},
};

const ServiceShape* serviceShape(std::uint8_t first, std::uint8_t second)
{
    for (const ServiceShape& shape : kServiceShapes) {
        if (static_cast<std::uint8_t>(shape.first) == first
            && static_cast<std::uint8_t>(shape.second) == second)
            return &shape;
    }
    return nullptr;
}

bool startsRequest(std::span<const std::uint8_t> bytes, std::size_t at)
{
    if (at + 1 >= bytes.size())
        return bytes[at] == kRequestHeader1 || bytes[at] == kServicePrefix1;
    return (bytes[at] == kRequestHeader1 && bytes[at + 1] == kRequestHeader2)
        || (bytes[at] == kServicePrefix1 && bytes[at + 1] == kServicePrefix2);
}

} // namespace

std::vector<RequestReader::Event> RequestReader::feed(std::span<const std::uint8_t> bytes,
                                                      std::int64_t nowMs)
{
    std::vector<Event> events;
    if (auto expired = expire(nowMs))
        events.push_back(std::move(*expired));
    if (bytes.empty())
        return events;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    lastByteMs_ = nowMs;
    extract(events);
    return events;
}

std::optional<RequestReader::Event> RequestReader::expire(std::int64_t nowMs)
{
    if (pending_.empty() || nowMs - lastByteMs_ < gapLimitMs_)
        return std::nullopt;
    Event event{Outcome::Incomplete, std::move(pending_), std::nullopt};
    pending_.clear();
    return event;
}

std::optional<std::int64_t> RequestReader::deadlineMs() const
{
    if (pending_.empty())
        return std::nullopt;
    return lastByteMs_ + gapLimitMs_;
}

std::optional<std::size_t> RequestReader::frontRequestLength() const
{
    const std::uint8_t first = pending_[0];
    if (first != kRequestHeader1 && first != kServicePrefix1)
        return std::nullopt;
    if (pending_.size() < 2)
        return 0;
    if (first == kRequestHeader1) {
        if (pending_[1] != kRequestHeader2)
            return std::nullopt;
        if (pending_.size() < kFrameHead)
            return 0;
        return kFrameOverhead + pending_[kFrameHead - 1];
    }
    if (pending_[1] != kServicePrefix2)
        return std::nullopt;
    if (pending_.size() < 4)
        return 0;
    const ServiceShape* shape = serviceShape(pending_[2], pending_[3]);
    if (!shape)
        return std::nullopt;
    return shape->length;
}

std::size_t RequestReader::nextStartAfterFront() const
{
    for (std::size_t at = 1; at < pending_.size(); ++at) {
        if (startsRequest(pending_, at))
            return at;
    }
    return pending_.size();
}

void RequestReader::dropFront(std::size_t count, Outcome outcome, std::vector<Event>& events)
{
    const auto end = pending_.begin() + static_cast<std::ptrdiff_t>(count);
    // Consecutive stray bytes make one event, not one per byte.
    if (outcome == Outcome::Stray && !events.empty() && events.back().outcome == Outcome::Stray)
        events.back().bytes.insert(events.back().bytes.end(), pending_.begin(), end);
    else
        events.push_back(Event{outcome, Bytes(pending_.begin(), end), std::nullopt});
    pending_.erase(pending_.begin(), end);
}

void RequestReader::extract(std::vector<Event>& events)
{
    while (!pending_.empty()) {
        const std::optional<std::size_t> length = frontRequestLength();
        if (!length) {
            dropFront(nextStartAfterFront(), Outcome::Stray, events);
            continue;
        }
        if (*length == 0 || pending_.size() < *length)
            return;

        const std::span<const std::uint8_t> candidate(pending_.data(), *length);
        if (candidate[0] == kRequestHeader1) {
            const std::size_t sumAt = *length - 2;
            const unsigned expected = candidate[sumAt] * 256u + candidate[sumAt + 1];
            if ((frameSum(candidate.first(sumAt)) & 0xFFFF) != expected) {
                // A request may hide behind a broken one: resume at the next header inside it.
                dropFront(std::min(nextStartAfterFront(), *length), Outcome::BadChecksum, events);
                continue;
            }
            FramedRequest framed{candidate[4], candidate[5], candidate[6], candidate[7],
                                 Bytes(candidate.begin() + kFrameHead, candidate.begin() + sumAt)};
            events.push_back(Event{Outcome::Request, Bytes(candidate.begin(), candidate.end()),
                                   Request{Bytes(candidate.begin(), candidate.end()), framed}});
        } else {
            const ServiceShape* shape = serviceShape(candidate[2], candidate[3]);
            if (shape->command == ServiceCommand::SetSerial && candidate.back() != kSetSerialEnd) {
                dropFront(*length, Outcome::Stray, events);
                continue;
            }
            ServiceRequest service{shape->command, Bytes(candidate.begin() + 4, candidate.end())};
            events.push_back(Event{Outcome::Request, Bytes(candidate.begin(), candidate.end()),
                                   Request{Bytes(candidate.begin(), candidate.end()), service}});
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*length));
    }
}

} // namespace veltroma::sim
