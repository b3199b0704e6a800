#include "monitor/CommWorker.h"

#include "link/Commands.h"
#include "monitor/SlotPoller.h"

#include <algorithm>
#include <mutex>

namespace veltroma {

namespace {
constexpr std::int64_t kBetweenPollsMs = 1000;
// Shutdown looks at its flag this often during a pause of the cycle.
constexpr std::int64_t kPauseSliceMs = 100;
} // namespace

CommWorker::CommWorker(EngineLink& link, SlotPoller& poller) : link_(link), poller_(poller) {}

CommWorker::~CommWorker()
{
    shutdown();
}

void CommWorker::SetThreadState(bool start)
{
    std::lock_guard lock(mutex_);
    stop_.request_stop();
    if (!start)
        return;
    stop_ = std::stop_source();
    ++running_;
    worker_ = std::thread(&CommWorker::ThreadFunc, this, stop_.get_token(), std::move(worker_));
}

void CommWorker::shutdown()
{
    closing_ = true;
    std::thread last;
    {
        std::lock_guard lock(mutex_);
        stop_.request_stop();
        last = std::move(worker_);
    }
    if (last.joinable())
        last.join();
}

void CommWorker::ThreadFunc(std::stop_token stop, std::thread previous)
{
    // The worker before this one finishes its cycle first.
    if (previous.joinable())
        previous.join();
    bool answered = false;
    for (;;) {
        if (stop.stop_requested() || closing_) {
            link_.clock.sleepMs(1);
            break;
        }
        if (betweenCycles_)
            betweenCycles_(answered);
        if (stop.stop_requested() || closing_)
            continue;
        answered = ReadCmd(stop);
        link_.clock.sleepMs(1);
    }
    --running_;
}

bool CommWorker::ReadCmd(const std::stop_token& stop)
{
    const std::vector<int> round = roundSlots_ ? roundSlots_() : std::vector<int>{1};
    if (round.empty()) {
        // Every inverter is lost or unregistered: the next round waits for a registration.
        pause(kBetweenPollsMs);
        return false;
    }
    bool answered = false;
    for (std::size_t i = 0; i < round.size(); ++i) {
        if (i > 0 && (stop.stop_requested() || closing_))
            break;
        link_.clock.sleepMs(1);
        const bool slotAnswered = Comm_Function(round[i]);
        if (closing_)
            return answered || slotAnswered;
        if (slotCycleDone_)
            slotCycleDone_(round[i], slotAnswered);
        answered = answered || slotAnswered;
    }
    return answered;
}

bool CommWorker::Comm_Function(int slot)
{
    bool answered = poller_.poll(slot, kFunctionRealtime);
    pause(kBetweenPollsMs);
    if (closing_)
        return answered;
    answered = poller_.poll(slot, kFunctionSettings) || answered;
    return answered;
}

void CommWorker::pause(std::int64_t ms)
{
    while (ms > 0 && !closing_) {
        const std::int64_t slice = std::min(ms, kPauseSliceMs);
        link_.clock.sleepMs(slice);
        ms -= slice;
    }
}

} // namespace veltroma
