#pragma once

#include "link/ByteLink.h"
#include "link/LinkHealth.h"

#include "ReplyLine.h"
#include "RequestReader.h"
#include "Unit.h"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <random>

namespace veltroma::soak {

// One to six inverters on one bus in the same process, behind the interface the engine uses
// for the serial channel: every request goes to every unit of the simulator (each decides
// whether it is addressed), replies come back at 9600 baud (about 1.04 ms a byte, starting
// each unit's turnaround after the request has left) on the virtual clock. Replies of
// several units that overlap in time are merged on the line as the simulator merges them.
// Like the serial channel, a send first pauses and then drops every byte not yet read.
// The scenario can pull the adapter out and plug it back in, cut the cable (silence),
// garble the line and put single units to sleep; every control is safe from any thread.
class SimLink final : public ByteLink {
public:
    struct Setup {
        Clock& clock;
        // The plant's time in seconds for a clock reading.
        std::function<double(std::int64_t nowMs)> plantSeconds;
        std::uint32_t seed = 1;
        // Units 1..units with the simulator's defaults (serial and plant size differ).
        std::size_t units = 1;
        // The plants' time when the link is made.
        double startSeconds = 0;
    };

    explicit SimLink(Setup setup);

    void Send_Data(std::span<const std::uint8_t> data) override;
    int ReadChar() override;
    int waitChar(Clock& clock, std::int64_t deadlineMs) override;
    [[nodiscard]] bool ChannelOK() const override;
    [[nodiscard]] std::vector<std::uint8_t> lastSent() const override;
    std::mutex& linkLock() override { return linkLock_; }
    LinkHealth* health() override { return &health_; }

    // The adapter is pulled out: the port is gone until the channel's next reopening attempt
    // after plugIn() (1 s after the loss, then doubling up to 30 s between tries), which
    // counts the reopen.
    void unplug();
    void plugIn();
    // A cut cable: requests go out, nothing is heard.
    void setSilent(bool silent) { silent_ = silent; }
    // A noisy line: about one reply byte in `oneIn` is flipped; 0 for a clean line.
    void setGarble(int oneIn) { garbleOneIn_ = oneIn; }
    // Unit `number` (1..units) sleeps (hears and answers nothing); falling asleep it forgets
    // its bus address. A number outside the bus changes nothing.
    void setAsleep(std::size_t number, bool asleep);

    [[nodiscard]] std::size_t unitCount() const { return units_.size(); }
    // Unit `number` (1..unitCount()), to set up or inspect while no exchange runs.
    [[nodiscard]] sim::Unit& unit(std::size_t number) { return *units_.at(number - 1); }

    // Replies sent, for the summary (each unit's reply counts, merged or not).
    [[nodiscard]] std::uint64_t replies() const { return replies_.load(); }

private:
    struct Arrival {
        std::int64_t atUs;
        std::uint8_t byte;
    };
    // The first waiting byte's arrival in µs; -1 when nothing is on its way.
    std::int64_t nextArrivalUs() const;
    // Under mutex_: the transmissions of `line` become bytes on their way, garbled or not.
    void putOnTheWire(sim::ReplyLine& line);

    Clock& clock_;
    std::function<double(std::int64_t)> plantSeconds_;
    std::vector<std::unique_ptr<sim::Unit>> units_; // their sleep under mutex_
    std::mt19937 noise_;
    sim::RequestReader reader_;
    mutable std::mutex mutex_;
    std::deque<Arrival> arriving_;
    std::vector<std::uint8_t> lastSent_;
    std::atomic<bool> present_{true};
    mutable std::atomic<bool> open_{true};
    std::int64_t unpluggedAtMs_ = 0;
    std::atomic<std::int64_t> reopenAtMs_{0};
    std::atomic<bool> silent_{false};
    std::atomic<int> garbleOneIn_{0};
    std::atomic<std::uint64_t> replies_{0};
    std::mutex linkLock_;
    mutable LinkHealth health_;
};

} // namespace veltroma::soak
