#pragma once

#include "link/ByteLink.h"
#include "link/LinkHealth.h"

#include "Inverter.h"
#include "PlantModel.h"
#include "RequestReader.h"

#include <atomic>
#include <deque>
#include <functional>
#include <random>

namespace veltroma::soak {

// The inverter in the same process, behind the interface the engine uses for the serial
// channel: requests go to the simulator's inverter model, replies come back at 9600 baud
// (about 1.04 ms a byte, starting 5 ms after the request has left) on the virtual clock.
// Like the serial channel, a send first pauses and then drops every byte not yet read.
// The scenario can pull the adapter out and plug it back in, cut the cable (silence),
// garble the line and put the inverter to sleep; every control is safe from any thread.
class SimLink final : public ByteLink {
public:
    struct Setup {
        Clock& clock;
        sim::Inverter& inverter;
        sim::PlantModel& plant;
        // The plant's time in seconds for a clock reading.
        std::function<double(std::int64_t nowMs)> plantSeconds;
        std::uint32_t seed = 1;
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
    // The inverter sleeps (no answers); falling asleep it forgets its bus address.
    void setAsleep(bool asleep);

    // Replies sent whole, for the summary.
    [[nodiscard]] std::uint64_t replies() const { return replies_.load(); }

private:
    struct Arrival {
        std::int64_t atUs;
        std::uint8_t byte;
    };
    // The first waiting byte's arrival in µs; -1 when nothing is on its way.
    std::int64_t nextArrivalUs() const;

    Clock& clock_;
    sim::Inverter& inverter_;
    sim::PlantModel& plant_;
    std::function<double(std::int64_t)> plantSeconds_;
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
    std::atomic<bool> asleep_{false};
    std::atomic<int> garbleOneIn_{0};
    std::atomic<std::uint64_t> replies_{0};
    std::mutex linkLock_;
    mutable LinkHealth health_;
};

} // namespace veltroma::soak
