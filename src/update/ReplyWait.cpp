#include "update/ReplyWait.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>

namespace veltroma {

namespace {

// How often the wait looks at the stop request while no data arrives.
constexpr int kStopPollMs = 50;

} // namespace

void waitForReply(QNetworkReply& reply, const std::atomic<bool>& stop)
{
    QEventLoop loop;
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, &loop, [&] {
        if (stop)
            reply.abort();
    });
    stopPoll.start(kStopPollMs);
    if (!reply.isFinished())
        loop.exec();
}

} // namespace veltroma
