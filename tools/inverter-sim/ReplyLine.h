#pragma once

#include "Inverter.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace veltroma::sim {

using Micros = std::int64_t;

// The replies on their way onto the one line that every unit shares, in time. A unit sends
// its own replies one after the other. Replies of different units that overlap in time are
// one transmission on the line: their bytes are merged slot by slot (a slot is one byte
// time) into the sum of the overlapping bytes, modulo 256. The sum, because a collision must
// be seen as one: with OR or AND a byte all units agree on passes unchanged, so two replies
// with the same header and serial numbers from one batch often merge into one of them,
// checksum and all (...120 OR ...121 is ...121); with XOR three equal header bytes give the
// header back. Two to six 0xAA bytes never add up to 0xAA, so replies that start together
// always fail at their first byte, and replies that start apart fail their checksum but for
// a chance of about one in 65536.
class ReplyLine {
public:
    // One unit's reply within a transmission.
    struct Part {
        std::size_t unit = 0;
        Reply reply;            // as the unit sent it
        std::size_t slot = 0;   // where its first byte lies in the transmission
        bool started = false;   // for the sender: its start has been logged
    };
    // What the line carries as one stream of bytes: one reply, or several that overlap.
    struct Transmission {
        Micros startAt = 0;
        Bytes bytes;                 // the merged bytes, as they go out
        std::vector<Part> parts;     // in the order of their slots
        std::size_t sent = 0;        // bytes already written
        bool reported = false;       // for the sender: its collision has been logged

        // The units heard in it, ascending and each once; more than one is a collision.
        [[nodiscard]] std::vector<std::size_t> units() const;
    };

    // `byteMicros`: the time one byte takes on the line; 0 sends every reply whole at its
    // start (then only replies that start at the same moment overlap).
    explicit ReplyLine(Micros byteMicros) : byteMicros_(byteMicros) {}

    // Queues `unit`'s reply to start at `earliest` (µs), or once the unit's previous reply
    // has ended if that is later. Merges it with every transmission it overlaps in time;
    // bytes already sent stay as they were.
    void add(std::size_t unit, Reply reply, Micros earliest);

    [[nodiscard]] bool empty() const { return queue_.empty(); }
    // The earliest transmission; only it can have started. The line must not be empty.
    [[nodiscard]] Transmission& front() { return queue_.front(); }
    void popFront() { queue_.pop_front(); }
    // Everything on its way is lost (the adapter pulled out).
    void clear();

    // How many bytes of the front transmission are due by `now`, counting those sent.
    [[nodiscard]] std::size_t dueBytes(Micros now) const;
    // When the front transmission's next byte is due; nullopt when the line is empty.
    [[nodiscard]] std::optional<Micros> nextDueAt() const;

private:
    [[nodiscard]] Micros duration(std::size_t bytes) const;
    [[nodiscard]] Micros endOf(const Transmission& transmission) const;
    // Whole slots from `from` to `to` (to >= from); a reply starting inside a slot shares it.
    [[nodiscard]] std::size_t slotsBetween(Micros from, Micros to) const;

    Micros byteMicros_;
    std::deque<Transmission> queue_;  // by start time, none overlapping another
    std::vector<Micros> busyUntil_;   // per unit: when its last queued reply ends
};

} // namespace veltroma::sim
