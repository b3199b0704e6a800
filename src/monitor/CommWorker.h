#pragma once

#include "monitor/EngineLink.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace veltroma {

class SlotPoller;

// The monitoring worker: polls the realtime block of an inverter, pauses a second, polls its
// settings block, then the next inverter of the round, and again, until it is told to stop. Each worker has its own stop signal, so a stop
// reaches the worker it was meant for, and a new worker does not poll before the previous
// one has finished its cycle: at most one worker talks on the link.
class CommWorker {
public:
    // Runs on the worker thread before each cycle; told whether the cycle before it brought
    // a validated reply.
    using BetweenCycles = std::function<void(bool lastCycleAnswered)>;
    // Worker thread, before each round: the slots to poll in it, lowest first.
    using RoundSlots = std::function<std::vector<int>()>;
    // Worker thread, after each slot's pair of exchanges: whether either brought its reply.
    using SlotCycleDone = std::function<void(int slot, bool answered)>;

    CommWorker(EngineLink& link, SlotPoller& poller);
    ~CommWorker();

    CommWorker(const CommWorker&) = delete;
    CommWorker& operator=(const CommWorker&) = delete;

    // Set before the first worker starts.
    void setBetweenCycles(BetweenCycles hook) { betweenCycles_ = std::move(hook); }
    void setRound(RoundSlots round, SlotCycleDone done)
    {
        roundSlots_ = std::move(round);
        slotCycleDone_ = std::move(done);
    }

    // true: start a worker (a running one is told to stop first, and the new one polls once
    // it has ended); false: tell the current worker to stop after its cycle.
    void SetThreadState(bool start);

    // True while a worker has been started and has not ended yet.
    [[nodiscard]] bool running() const { return running_.load() > 0; }

    // For the end of the program: stops the worker, cutting its pauses short, and waits until
    // the exchange in progress has ended.
    void shutdown();

private:
    void ThreadFunc(std::stop_token stop, std::thread previous);
    // One round over the slots; true when any poll got a validated reply. A stop ends it
    // after the slot in progress.
    bool ReadCmd(const std::stop_token& stop);
    // One slot's pair of exchanges; true when either got a validated reply.
    bool Comm_Function(int slot);
    // A pause of the cycle that ends early when the program shuts down.
    void pause(std::int64_t ms);

    EngineLink& link_;
    SlotPoller& poller_;
    BetweenCycles betweenCycles_;
    RoundSlots roundSlots_;
    SlotCycleDone slotCycleDone_;
    std::mutex mutex_;           // guards the two below
    std::stop_source stop_;      // the current worker's own stop signal
    std::thread worker_;         // the newest worker; it joins the one before it
    std::atomic<int> running_{0};
    std::atomic<bool> closing_{false};
};

} // namespace veltroma
