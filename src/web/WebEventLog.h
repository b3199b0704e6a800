#pragma once

#include "web/HttpExchange.h"

#include <QDateTime>
#include <QJsonArray>
#include <QString>

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

namespace veltroma {

// Something that happened to the link, the recording or an inverter, worth a line in the
// web view's events list.
struct WebEvent {
    enum class Kind {
        LinkLost,
        LinkBack,
        PortFault,
        PortOpen,
        RecordingFailed,
        RecordingResumed,
        ReRegistration,
        Registered,
        SlotLost,
        SeveralAnswering,
        InverterFault,
        FaultCleared,
    };
    quint64 id = 0;
    QDateTime time;
    Kind kind = Kind::LinkLost;
    std::optional<int> slot; // none: the link or the program as a whole
    QString text;
};

// The events list's name of a kind, e.g. "link_lost".
[[nodiscard]] QLatin1StringView kindName(WebEvent::Kind kind);

// The newest events, oldest first, each with an id one above the one before. The session's
// thread alone uses it.
class WebEventLog {
public:
    static constexpr std::size_t kHeldEvents = 500;

    // Adds an event now; returns its id.
    quint64 add(const QDateTime& time, WebEvent::Kind kind, std::optional<int> slot, QString text);
    // The events held with an id above `afterId`, oldest first, as /api/v1/events lists them.
    [[nodiscard]] QJsonArray jsonAfter(quint64 afterId) const;
    [[nodiscard]] const std::deque<WebEvent>& events() const { return events_; }

private:
    std::deque<WebEvent> events_;
    quint64 lastId_ = 0;
};

// The pushed events kept for a client that comes back with Last-Event-ID: the newest ones,
// each with an id one above the one before. The session's thread alone uses it.
class PushHistory {
public:
    static constexpr std::size_t kHeldEvents = 200;

    // Gives the event the next id and keeps it; returns it with that id.
    ServerSentEvent add(QByteArray type, QByteArray data);
    // The events held with an id above `lastId`, oldest first; all of them for an id that is
    // no longer held or was never given.
    [[nodiscard]] std::vector<ServerSentEvent> after(quint64 lastId) const;

private:
    std::deque<ServerSentEvent> events_;
    quint64 lastId_ = 0;
};

} // namespace veltroma
