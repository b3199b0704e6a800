#pragma once

#include <atomic>

class QNetworkReply;

namespace veltroma {

// Runs the calling thread's event loop until `reply` has finished. A stop request aborts the
// reply, which then finishes at once, so the wait ends within a fraction of a second of it.
// Called on the thread that owns `reply` (the download thread).
void waitForReply(QNetworkReply& reply, const std::atomic<bool>& stop);

} // namespace veltroma
