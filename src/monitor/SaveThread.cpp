#include "monitor/SaveThread.h"

namespace veltroma {

SaveThread::SaveThread(Recorder& recorder, Saved saved)
    : recorder_(recorder), saved_(std::move(saved)), thread_([this] { run(); })
{
}

SaveThread::~SaveThread()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SaveThread::save(InverterModel snapshot)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < kMaxWaiting; });
    waiting_.push_back(std::move(snapshot));
    lock.unlock();
    changed_.notify_all();
}

void SaveThread::waitUntilSaved()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && !saving_; });
}

void SaveThread::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
        // Ending, the events still waiting are saved first: each is a row of the records.
        if (waiting_.empty())
            return;
        InverterModel snapshot = std::move(waiting_.front());
        waiting_.pop_front();
        saving_ = true;
        lock.unlock();
        changed_.notify_all();
        const RecordingState state = recorder_.record(snapshot);
        if (saved_)
            saved_(state);
        lock.lock();
        saving_ = false;
        changed_.notify_all();
    }
}

} // namespace veltroma
