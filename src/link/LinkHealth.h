#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <mutex>

namespace veltroma {

// What can happen to one exchange on the link, or to the link itself.
enum class LinkEvent {
    RequestSent,
    ValidatedReply,
    Timeout,           // no byte, or a reply cut short by the silence limit
    RejectedChecksum,
    RejectedHeader,
    RejectedLength,
    EchoSkipped,       // an adapter's copy of our own request, dropped before the reply
    Reopen,            // the port was opened again after it had gone
    ReRegistration,    // the engine registered the inverter again by itself
    LateReply,         // a valid reply from another inverter than the one polled, dropped
};

// A copy of the counters, as the form, the headless logger and the publishers read them.
struct LinkCounters {
    std::uint64_t requestsSent = 0;
    std::uint64_t validatedReplies = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t rejectedChecksum = 0;
    std::uint64_t rejectedHeader = 0;
    std::uint64_t rejectedLength = 0;
    std::uint64_t echoesSkipped = 0;
    std::uint64_t reopens = 0;
    std::uint64_t reRegistrations = 0;
    std::uint64_t lateReplies = 0;
    // The last fault of the port or the link in words; empty while none has happened.
    QString lastError;
    QDateTime lastErrorTime;
};

// The link doctor's counters of every exchange outcome. Written by any thread (the worker,
// the registration, the port's thread), read whole as a copy; it never decides that the
// link is lost, the watchdog does.
class LinkHealth {
public:
    void count(LinkEvent event);
    void setLastError(const QString& text, const QDateTime& when);
    [[nodiscard]] LinkCounters snapshot() const;

private:
    mutable std::mutex mutex_;
    LinkCounters counters_;
};

} // namespace veltroma
