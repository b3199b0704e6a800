#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/LinkHealth.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

namespace veltroma::test {

// A link in virtual time: bytes "arrive" at chosen clock moments, sends are recorded with
// their time. Like the serial channel, a send first pauses (269 ms by default) and then
// drops every byte that has arrived and was not read.
class FakeLink final : public ByteLink {
public:
    struct Sent {
        std::int64_t atMs;
        std::vector<std::uint8_t> bytes;
    };
    using Responder = std::function<void(FakeLink&, const Sent&)>;

    explicit FakeLink(Clock& clock, std::int64_t sendPauseMs = 269)
        : clock_(clock), sendPauseMs_(sendPauseMs) {}

    // Schedules `bytes` to arrive from `atMs` on, one every `gapMs`.
    void arrive(std::int64_t atMs, std::span<const std::uint8_t> bytes, std::int64_t gapMs = 1)
    {
        std::lock_guard lock(mutex_);
        for (const auto b : bytes) {
            pending_.push_back({atMs, b});
            atMs += gapMs;
        }
    }

    // Called after every send, e.g. to schedule a reply.
    void respondWith(Responder responder)
    {
        std::lock_guard lock(mutex_);
        responder_ = std::move(responder);
    }

    void Send_Data(std::span<const std::uint8_t> data) override
    {
        clock_.sleepMs(sendPauseMs_);
        Sent sent{clock_.nowMs(), {data.begin(), data.end()}};
        Responder responder;
        {
            std::lock_guard lock(mutex_);
            std::erase_if(pending_, [&](const Pending& p) { return p.atMs <= sent.atMs; });
            sent_.push_back(sent);
            responder = responder_;
        }
        if (responder)
            responder(*this, sent);
    }

    int ReadChar() override
    {
        std::lock_guard lock(mutex_);
        ++reads_;
        if (pending_.empty() || pending_.front().atMs > clock_.nowMs())
            return -1;
        const int byte = pending_.front().byte;
        pending_.pop_front();
        return byte;
    }

    [[nodiscard]] bool ChannelOK() const override { return open_; }
    std::mutex& linkLock() override { return linkLock_; }
    LinkHealth* health() override { return &health_; }
    [[nodiscard]] std::vector<std::uint8_t> lastSent() const override
    {
        std::lock_guard lock(mutex_);
        return sent_.empty() ? std::vector<std::uint8_t>{} : sent_.back().bytes;
    }
    [[nodiscard]] LinkCounters counters() const { return health_.snapshot(); }

    void setOpen(bool open) { open_ = open; }
    std::vector<Sent> sent() const { std::lock_guard lock(mutex_); return sent_; }
    std::size_t unread() const { std::lock_guard lock(mutex_); return pending_.size(); }
    std::size_t reads() const { std::lock_guard lock(mutex_); return reads_; }
    Clock& clock() { return clock_; }

private:
    struct Pending {
        std::int64_t atMs;
        std::uint8_t byte;
    };

    Clock& clock_;
    std::int64_t sendPauseMs_;
    mutable std::mutex mutex_;
    std::deque<Pending> pending_;
    std::vector<Sent> sent_;
    Responder responder_;
    std::size_t reads_ = 0;
    bool open_ = true;
    std::mutex linkLock_;
    LinkHealth health_;
};

} // namespace veltroma::test
