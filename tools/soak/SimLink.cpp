#include "SimLink.h"

#include "channel/BaseCom.h"
#include "channel/PortThread.h"

namespace veltroma::soak {

namespace {

constexpr std::int64_t kByteUs = 1042; // ten bits at 9600 baud

} // namespace

SimLink::SimLink(Setup setup)
    : clock_(setup.clock),
      plantSeconds_(std::move(setup.plantSeconds)),
      noise_(setup.seed)
{
    // Unit 1 measures with the link's seed, as the one inverter always did; each further
    // unit has its own noise.
    for (std::size_t number = 1; number <= setup.units; ++number)
        units_.push_back(std::make_unique<sim::Unit>(
            number, sim::defaultUnitConfig(number),
            static_cast<unsigned>(setup.seed + number - 1), setup.startSeconds));
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
    sim::ReplyLine line(kByteUs);
    for (auto& event : reader_.feed(data, nowMs)) {
        if (event.outcome != sim::RequestReader::Outcome::Request || silent_)
            continue;
        // Every unit on the bus hears the request; each decides whether it is addressed.
        for (const auto& unit : units_) {
            if (unit->asleep)
                continue;
            unit->plant.advanceTo(plantSeconds_(nowMs));
            auto reply = unit->inverter.answer(*event.request);
            if (!reply)
                continue;
            line.add(unit->number - 1, std::move(*reply), sentUs + unit->replyDelayMs * 1000);
            ++replies_;
        }
    }
    putOnTheWire(line);
}

void SimLink::putOnTheWire(sim::ReplyLine& line)
{
    const int garble = garbleOneIn_.load();
    for (; !line.empty(); line.popFront()) {
        const sim::ReplyLine::Transmission& transmission = line.front();
        std::int64_t atUs = transmission.startAt;
        for (std::uint8_t byte : transmission.bytes) {
            if (garble > 0 && std::uniform_int_distribution<int>(1, garble)(noise_) == 1)
                byte ^= static_cast<std::uint8_t>(1u << (noise_() % 8));
            arriving_.push_back({atUs, byte});
            atUs += kByteUs;
        }
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

void SimLink::setAsleep(std::size_t number, bool asleep)
{
    std::lock_guard lock(mutex_);
    if (number < 1 || number > units_.size())
        return;
    sim::Unit& unit = *units_[number - 1];
    if (asleep && !unit.asleep)
        unit.inverter.setAddress(0);
    unit.asleep = asleep;
}

} // namespace veltroma::soak
