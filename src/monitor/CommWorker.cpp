#include "monitor/CommWorker.h"

#include "link/Commands.h"
#include "monitor/InverterModel.h"
#include "monitor/ReplyDecoder.h"
#include "monitor/Watchdog.h"

#include <algorithm>
#include <mutex>

namespace veltroma {

namespace {
constexpr std::int64_t kReplyWaitMs = 500;
constexpr std::int64_t kBetweenPollsMs = 1000;
// Shutdown looks at its flag this often during a pause of the cycle.
constexpr std::int64_t kPauseSliceMs = 100;
} // namespace

CommWorker::CommWorker(EngineLink& link, const EngineFlags& flags, ReplyDecoder& decoder,
                       Watchdog& watchdog)
    : link_(link), flags_(flags), decoder_(decoder), watchdog_(watchdog)
{
}

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
        answered = ReadCmd();
        link_.clock.sleepMs(1);
    }
    --running_;
}

bool CommWorker::ReadCmd()
{
    link_.clock.sleepMs(1);
    bool answered = Comm_Function(bInverterAdrNow, kFunctionRealtime);
    pause(kBetweenPollsMs);
    if (closing_)
        return answered;
    answered = Comm_Function(bInverterAdrNow, kFunctionSettings) || answered;
    return answered;
}

bool CommWorker::Comm_Function(int slot, std::uint8_t function)
{
    std::lock_guard lock(link_.link.linkLock());
    link_.bTxBuffer.fill(0);
    SendRequest(link_.link, link_.bTxBuffer, kInverterAddress, flags_.COMM_CMD.load(), function);
    link_.clock.sleepMs(kReplyWaitMs);
    const int received = RecvDataBack(link_.link, link_.clock, link_.bRxBuffer, kFirstByteTimeoutMs);
    // Only a validated reply is decoded: after a failed exchange the buffer holds an older
    // reply partly overwritten by new bytes, and everything shown stays as it was.
    if (received <= 0)
        return false;
    watchdog_.markAlive();
    decoder_.ProcessRecv(slot, std::span<const std::uint8_t>(link_.bRxBuffer)
                                   .first(static_cast<std::size_t>(received)));
    return true;
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
