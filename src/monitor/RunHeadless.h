#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace veltroma {

class Channel;
class MonitorSession;

// Something the caller adds to the logger's session once it exists, e.g. a publisher
// listening to its events or the web view: the object is kept until the session has stopped,
// and its counters, when it has any, follow the link counters on the counter line.
struct HeadlessExtra {
    std::unique_ptr<QObject> object;
    std::function<QString()> countersText;
};
using HeadlessAddOn =
    std::function<HeadlessExtra(MonitorSession& session, const QString& settingPath)>;

// The headless program once started (program folder, settings and `channel` are the command
// line's start-up, cli/ProgramStartup.h): the engine without a window on the port named
// `portName` until SIGINT or SIGTERM; SIGUSR1 prints the link counters (and the add-on's), as
// the end does. A port that is not open yet is waited for. Needs a QCoreApplication; returns
// the exit code: 0 after a stop signal. The add-ons start in their order, their counters
// follow in that order.
// `everyReply`: a line on standard output for every realtime reply, not only every recorded row.
int runHeadless(Channel& channel, const QString& portName, const std::vector<HeadlessAddOn>& addOns = {},
                bool everyReply = false);

} // namespace veltroma
