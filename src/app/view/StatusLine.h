#pragma once

#include "app/view/StatusTexts.h"
#include "link/LinkHealth.h"
#include "monitor/LinkState.h"
#include "monitor/RecordingState.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace veltroma {

class EngineEvents;

// What the form's status line says: the port and whether the link is alive or since when
// it is lost, its last error, and where recording stands (the last row written, or the
// failure with the rows kept waiting, and the latest notice about the month files).
// Fed once a second from the form (with the engine's link state) and by the recording
// events; user-interface thread.
class StatusLine final : public QObject {
    Q_OBJECT
public:
    using WallClock = std::function<QDateTime()>;

    // `texts` gives the line its words (see text()).
    explicit StatusLine(TextLookup texts, WallClock now = [] { return QDateTime::currentDateTime(); },
                        QObject* parent = nullptr);

    // Listens to the engine's recording events (queued: they come from the save thread).
    void listenTo(EngineEvents& events);

    // Once a second: the port in use, the connect switch, the link's state and counters.
    void refresh(const QString& port, bool connected, const LinkState& link,
                 const LinkCounters& counters);

    void recording(const RecordingState& state);
    // Several unaddressed inverters answered at once, so the search for them stopped: the line
    // says so until `false` (a new connection).
    void setSeveralAnswering(bool several) { severalAnswering_ = several; }

    // In the language of the texts given at construction. Each of their words is looked up
    // once and remembered: the line is made after the start dialog has set the language,
    // which then stays, and asking the language file every second costs more than
    // all the rest of the line.
    [[nodiscard]] QString text() const;
    // In the language of `tr`, looked up now.
    [[nodiscard]] QString text(const TextLookup& tr) const;

private:
    [[nodiscard]] QString linkText(const TextLookup& tr) const;
    [[nodiscard]] QString recordingText(const TextLookup& tr) const;

    TextLookup remembered_;
    WallClock now_;
    QString port_;
    bool connected_ = false;
    LinkState link_;
    LinkCounters counters_;
    std::optional<RecordingState> recording_;
    std::optional<RecordingNotice> notice_;
    bool severalAnswering_ = false;
};

} // namespace veltroma
