#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include "update/Launcher.h"

#include <functional>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace veltroma::test {

// Runs the event loop until `done` holds or `ms` have passed; true when it holds.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Records the installers it is asked to start instead of starting them.
class RecordingLauncher final : public Launcher {
public:
    bool launch(const QString& path) override
    {
        launched << path;
        return succeeds;
    }
    QStringList launched;
    bool succeeds = true;
};

} // namespace veltroma::test
