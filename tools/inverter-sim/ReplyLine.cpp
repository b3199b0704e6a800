#include "ReplyLine.h"

#include <algorithm>
#include <limits>

namespace veltroma::sim {

namespace {

void mergeBytes(ReplyLine::Transmission& transmission)
{
    std::size_t length = 0;
    for (const ReplyLine::Part& part : transmission.parts)
        length = std::max(length, part.slot + part.reply.bytes.size());
    transmission.bytes.assign(length, 0);
    for (const ReplyLine::Part& part : transmission.parts) {
        for (std::size_t i = 0; i < part.reply.bytes.size(); ++i) {
            std::uint8_t& onTheLine = transmission.bytes[part.slot + i];
            onTheLine = static_cast<std::uint8_t>(onTheLine + part.reply.bytes[i]);
        }
    }
}

} // namespace

std::vector<std::size_t> ReplyLine::Transmission::units() const
{
    std::vector<std::size_t> heard;
    for (const Part& part : parts)
        heard.push_back(part.unit);
    std::sort(heard.begin(), heard.end());
    heard.erase(std::unique(heard.begin(), heard.end()), heard.end());
    return heard;
}

void ReplyLine::add(std::size_t unit, Reply reply, Micros earliest)
{
    if (busyUntil_.size() <= unit)
        busyUntil_.resize(unit + 1, std::numeric_limits<Micros>::min());
    const Micros start = std::max(earliest, busyUntil_[unit]);
    const Micros end = start + duration(reply.bytes.size());
    busyUntil_[unit] = end;

    const auto first = std::ranges::find_if(
        queue_, [&](const Transmission& t) { return endOf(t) > start; });
    const auto last = std::find_if(first, queue_.end(),
                                   [&](const Transmission& t) { return t.startAt >= end; });
    if (first == last) {
        Transmission alone{start, reply.bytes, {}, 0, false};
        alone.parts.push_back(Part{unit, std::move(reply), 0, false});
        queue_.insert(first, std::move(alone));
        return;
    }

    // Only the front can have started, and then it started before `start`: the merged
    // transmission keeps its start, and the new reply lands on slots not yet sent.
    Transmission merged{std::min(start, first->startAt), {}, {}, first->sent, first->reported};
    for (auto t = first; t != last; ++t) {
        const std::size_t shift = slotsBetween(merged.startAt, t->startAt);
        for (Part& part : t->parts) {
            part.slot += shift;
            merged.parts.push_back(std::move(part));
        }
    }
    const std::size_t slot = std::max(slotsBetween(merged.startAt, start), merged.sent);
    merged.parts.push_back(Part{unit, std::move(reply), slot, false});
    std::ranges::stable_sort(merged.parts, {}, &Part::slot);
    mergeBytes(merged);
    const auto at = queue_.erase(first, last);
    queue_.insert(at, std::move(merged));
}

void ReplyLine::clear()
{
    queue_.clear();
    busyUntil_.clear();
}

std::size_t ReplyLine::dueBytes(Micros now) const
{
    if (queue_.empty() || now < queue_.front().startAt)
        return 0;
    const Transmission& front = queue_.front();
    if (byteMicros_ <= 0)
        return front.bytes.size();
    const auto started = static_cast<std::size_t>((now - front.startAt) / byteMicros_) + 1;
    return std::min(front.bytes.size(), started);
}

std::optional<Micros> ReplyLine::nextDueAt() const
{
    if (queue_.empty())
        return std::nullopt;
    const Transmission& front = queue_.front();
    return front.startAt + static_cast<Micros>(front.sent) * byteMicros_;
}

Micros ReplyLine::duration(std::size_t bytes) const
{
    // Even a reply sent whole takes a moment, so that a unit's next one comes after it.
    return std::max<Micros>(static_cast<Micros>(bytes) * byteMicros_, 1);
}

Micros ReplyLine::endOf(const Transmission& transmission) const
{
    return transmission.startAt + duration(transmission.bytes.size());
}

std::size_t ReplyLine::slotsBetween(Micros from, Micros to) const
{
    return byteMicros_ > 0 ? static_cast<std::size_t>((to - from) / byteMicros_) : 0;
}

} // namespace veltroma::sim
