#pragma once

#include <QString>

namespace veltroma {

// The headless program: start-up as the start dialog does it (settings file, port,
// language) for the program folder `home` (empty: the executable's folder), then the engine
// without a window until SIGINT or SIGTERM; SIGUSR1 prints the link counters, as the end
// does. A port that cannot be opened is waited for. Needs a QCoreApplication; returns the
// exit code: 0 after a stop signal.
int runHeadless(const QString& home);

} // namespace veltroma
