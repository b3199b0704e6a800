#include "link/LinkHealth.h"

namespace veltroma {

void LinkHealth::count(LinkEvent event)
{
    std::lock_guard lock(mutex_);
    switch (event) {
    case LinkEvent::RequestSent:
        ++counters_.requestsSent;
        break;
    case LinkEvent::ValidatedReply:
        ++counters_.validatedReplies;
        break;
    case LinkEvent::Timeout:
        ++counters_.timeouts;
        break;
    case LinkEvent::RejectedChecksum:
        ++counters_.rejectedChecksum;
        break;
    case LinkEvent::RejectedHeader:
        ++counters_.rejectedHeader;
        break;
    case LinkEvent::RejectedLength:
        ++counters_.rejectedLength;
        break;
    case LinkEvent::EchoSkipped:
        ++counters_.echoesSkipped;
        break;
    case LinkEvent::Reopen:
        ++counters_.reopens;
        break;
    case LinkEvent::ReRegistration:
        ++counters_.reRegistrations;
        break;
    case LinkEvent::LateReply:
        ++counters_.lateReplies;
        break;
    }
}

void LinkHealth::setLastError(const QString& text, const QDateTime& when)
{
    std::lock_guard lock(mutex_);
    counters_.lastError = text;
    counters_.lastErrorTime = when;
}

LinkCounters LinkHealth::snapshot() const
{
    std::lock_guard lock(mutex_);
    return counters_;
}

} // namespace veltroma
