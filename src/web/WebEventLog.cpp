#include "web/WebEventLog.h"

#include "web/ApiJson.h"

#include <QJsonObject>

#include <algorithm>

namespace veltroma {

QLatin1StringView kindName(WebEvent::Kind kind)
{
    switch (kind) {
    case WebEvent::Kind::LinkLost: return QLatin1StringView("link_lost");
    case WebEvent::Kind::LinkBack: return QLatin1StringView("link_back");
    case WebEvent::Kind::PortFault: return QLatin1StringView("port_fault");
    case WebEvent::Kind::PortOpen: return QLatin1StringView("port_open");
    case WebEvent::Kind::RecordingFailed: return QLatin1StringView("recording_failed");
    case WebEvent::Kind::RecordingResumed: return QLatin1StringView("recording_resumed");
    case WebEvent::Kind::ReRegistration: return QLatin1StringView("re_registration");
    case WebEvent::Kind::Registered: return QLatin1StringView("registered");
    case WebEvent::Kind::SlotLost: return QLatin1StringView("slot_lost");
    case WebEvent::Kind::SeveralAnswering: return QLatin1StringView("several_answering");
    case WebEvent::Kind::InverterFault: return QLatin1StringView("inverter_fault");
    case WebEvent::Kind::FaultCleared: return QLatin1StringView("fault_cleared");
    }
    return QLatin1StringView("unknown");
}

quint64 WebEventLog::add(const QDateTime& time, WebEvent::Kind kind, std::optional<int> slot,
                         QString text)
{
    events_.push_back({++lastId_, time, kind, slot, std::move(text)});
    if (events_.size() > kHeldEvents)
        events_.pop_front();
    return lastId_;
}

QJsonArray WebEventLog::jsonAfter(quint64 afterId) const
{
    QJsonArray out;
    for (const WebEvent& event : events_) {
        if (event.id <= afterId)
            continue;
        out.append(QJsonObject{{QStringLiteral("id"), qint64(event.id)},
                               {QStringLiteral("time"), isoTime(event.time)},
                               {QStringLiteral("kind"), kindName(event.kind)},
                               {QStringLiteral("slot"), event.slot ? QJsonValue(*event.slot)
                                                                   : QJsonValue(QJsonValue::Null)},
                               {QStringLiteral("text"), event.text}});
    }
    return out;
}

ServerSentEvent PushHistory::add(QByteArray type, QByteArray data)
{
    events_.push_back({++lastId_, std::move(type), std::move(data)});
    if (events_.size() > kHeldEvents)
        events_.pop_front();
    return events_.back();
}

std::vector<ServerSentEvent> PushHistory::after(quint64 lastId) const
{
    // An id the client cannot have had from us (a restart of the program, or one pushed out
    // meanwhile) gets everything held.
    const bool known = !events_.empty() && lastId >= *events_.front().id - 1 && lastId <= lastId_;
    std::vector<ServerSentEvent> out;
    for (const ServerSentEvent& event : events_)
        if (!known || *event.id > lastId)
            out.push_back(event);
    return out;
}

} // namespace veltroma
