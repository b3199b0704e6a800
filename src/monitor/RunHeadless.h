#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace veltroma {

class MonitorSession;

// Something the caller adds to the logger's session once it exists, e.g. a publisher
// listening to its events: the object is kept until the session has stopped, and its
// counters, when it has any, follow the link counters on the counter line.
struct HeadlessExtra {
    std::unique_ptr<QObject> object;
    std::function<QString()> countersText;
};
using HeadlessAddOn =
    std::function<HeadlessExtra(MonitorSession& session, const QString& settingPath)>;

// The headless program: start-up as the start dialog does it (settings file, port,
// language) for the program folder `home` (empty: the executable's folder), then the engine
// without a window until SIGINT or SIGTERM; SIGUSR1 prints the link counters (and the add-on's), as the
// end does. A port that cannot be opened is waited for. Needs a QCoreApplication; returns the
// exit code: 0 after a stop signal.
int runHeadless(const QString& home, const HeadlessAddOn& addOn = {});

} // namespace veltroma
