#include "monitor/HistoryReadTask.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

namespace veltroma {

HistoryReadTask::HistoryReadTask(HistoryReadRequest request, QObject& context,
                                 Progress progress, Done done, Ended ended)
    : request_(std::move(request)),
      context_(context),
      listeners_(std::make_shared<Listeners>(std::move(progress), std::move(done), std::move(ended),
                                             stop_.get_token())),
      thread_([this] { run(); })
{
}

HistoryReadTask::~HistoryReadTask()
{
    stop_.request_stop();
}

// Reading thread: queues `call` for the owner thread, with the listeners if the task is still
// there then.
template <typename Call>
void HistoryReadTask::post(Call call)
{
    QMetaObject::invokeMethod(
        &context_,
        [weak = std::weak_ptr<Listeners>(listeners_), call = std::move(call)] {
            // Held for the call, which may destroy the task.
            if (const std::shared_ptr<Listeners> listeners = weak.lock())
                call(*listeners);
        },
        Qt::QueuedConnection);
}

void HistoryReadTask::run()
{
    const std::stop_token stop = stop_.get_token();
    auto result = std::make_shared<HistoryReadResult>();
    if (request_.checkMonthFile)
        result->problem = veltroma::checkMonthFile(request_.file);
    if (!result->problem && !stop.stop_requested()) {
        HistoryReader reader(result->points);
        const HistoryReadProgress tell = [this](int permille) {
            listeners_->permille = permille;
            if (listeners_->progressQueued.exchange(true))
                return;
            post([](Listeners& listeners) {
                listeners.progressQueued = false;
                if (!listeners.stop.stop_requested() && listeners.progress)
                    listeners.progress(listeners.permille);
            });
        };
        result->end = reader.ReadFile(request_.file, request_.sheet, request_.mode, stop, tell);
        if (result->end != HistoryReadEnd::Stopped)
            result->points.sortByX();
    }
    finished_ = true;
    post([result](Listeners& listeners) {
        if (!listeners.stop.stop_requested() && listeners.done)
            listeners.done(*result);
        if (listeners.ended)
            listeners.ended();
    });
}

} // namespace veltroma
