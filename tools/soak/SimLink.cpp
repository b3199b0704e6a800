#include "SimLink.h"

#include "channel/BaseCom.h"
#include "channel/PortThread.h"

namespace veltroma::soak {

namespace {

constexpr std::int64_t kByteUs = 1042;      // ten bits at 9600 baud
constexpr std::int64_t kReplyDelayUs = 5000; // the device's turnaround

} // namespace

SimLink::SimLink(Setup setup)
    : clock_(setup.clock),
      inverter_(setup.inverter),
      plant_(setup.plant),
      plantSeconds_(std::move(setup.plantSeconds)),
      noise_(setup.seed)
{
}

void SimLink::Send_Data(std::span<const std::uint8_t> data)
{
    clock_.sleepMs(kPortPauseMs);
    const std::int64_t nowMs = clock_.nowMs();
    std::lock_guard lock(mutex_);
    arriving_.clear();
    if (!ChannelOK())
        return;
    lastSent_.assign(data.begin(), data.end());
    const std::int64_t sentUs = nowMs * 1000 + static_cast<std::int64_t>(data.size()) * kByteUs;
    for (auto& event : reader_.feed(data, nowMs)) {
        if (event.outcome != sim::RequestReader::Outcome::Request || silent_ || asleep_)
            continue;
        plant_.advanceTo(plantSeconds_(nowMs));
        const auto reply = inverter_.answer(*event.request);
        if (!reply)
            continue;
        const int garble = garbleOneIn_.load();
        std::int64_t atUs = sentUs + kReplyDelayUs;
        for (std::uint8_t byte : reply->bytes) {
            if (garble > 0 && std::uniform_int_distribution<int>(1, garble)(noise_) == 1)
                byte ^= static_cast<std::uint8_t>(1u << (noise_() % 8));
            arriving_.push_back({atUs, byte});
            atUs += kByteUs;
        }
        ++replies_;
    }
}

int SimLink::ReadChar()
{
    std::lock_guard lock(mutex_);
    if (arriving_.empty() || arriving_.front().atUs > clock_.nowMs() * 1000)
        return -1;
    const int byte = arriving_.front().byte;
    arriving_.pop_front();
    return byte;
}

int SimLink::waitChar(Clock& clock, std::int64_t deadlineMs)
{
    for (;;) {
        if (const int byte = ReadChar(); byte >= 0)
            return byte;
        const std::int64_t nowMs = clock.nowMs();
        if (nowMs >= deadlineMs)
            return -1;
        const std::int64_t nextUs = nextArrivalUs();
        const std::int64_t wakeMs = nextUs < 0 ? deadlineMs
                                               : std::min(deadlineMs, (nextUs + 999) / 1000);
        clock.sleepMs(std::max<std::int64_t>(wakeMs - nowMs, 1));
    }
}

std::int64_t SimLink::nextArrivalUs() const
{
    std::lock_guard lock(mutex_);
    return arriving_.empty() ? -1 : arriving_.front().atUs;
}

std::vector<std::uint8_t> SimLink::lastSent() const
{
    std::lock_guard lock(mutex_);
    return lastSent_;
}

bool SimLink::ChannelOK() const
{
    if (open_)
        return true;
    if (!present_ || clock_.nowMs() < reopenAtMs_)
        return false;
    if (!open_.exchange(true))
        health_.count(LinkEvent::Reopen);
    return true;
}

void SimLink::unplug()
{
    std::lock_guard lock(mutex_);
    present_ = false;
    open_ = false;
    unpluggedAtMs_ = clock_.nowMs();
    arriving_.clear();
}

void SimLink::plugIn()
{
    std::lock_guard lock(mutex_);
    if (present_.exchange(true))
        return;
    // The channel's reopening attempts, counted from the loss.
    std::int64_t attemptMs = unpluggedAtMs_;
    std::int64_t delay = PortThread::kFirstReopenDelayMs;
    const std::int64_t backMs = clock_.nowMs();
    do {
        attemptMs += delay;
        delay = std::min(delay * 2, PortThread::kLongestReopenDelayMs);
    } while (attemptMs < backMs);
    reopenAtMs_ = attemptMs;
}

void SimLink::setAsleep(bool asleep)
{
    if (asleep && !asleep_.exchange(true))
        inverter_.setAddress(0);
    else if (!asleep)
        asleep_ = false;
}

} // namespace veltroma::soak
