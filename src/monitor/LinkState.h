#pragma once

#include <QDateTime>
#include <QString>

#include <utility>

namespace veltroma {

// Whether the inverter answers, as the engine alone decides it: the form's lamps and status
// line, the logger and the publishers read this instead of keeping their own copies.
struct LinkState {
    enum class Kind {
        Off,     // the connection is switched off
        Waiting, // switched on, no validated reply yet
        Alive,   // replies come
        Lost,    // the watchdog declared the link lost; until a validated reply comes again
    };

    LinkState() = default;
    // Not explicit: a kind alone is a whole state, {Kind::Alive}.
    LinkState(Kind k, QDateTime since = {}, QString why = {})
        : kind(k), lostSince(std::move(since)), reason(std::move(why))
    {
    }

    Kind kind = Kind::Off;
    // When the loss was declared, local time, and why, in words; empty unless Lost.
    QDateTime lostSince;
    QString reason;

    [[nodiscard]] bool lost() const { return kind == Kind::Lost; }
    bool operator==(const LinkState&) const = default;
};

} // namespace veltroma
