#pragma once

#include <QString>

namespace veltroma {

// The headless program: start-up as the start dialog does it (settings file, port,
// language) for the program folder `home` (empty: the executable's folder), then the engine
// without a window until SIGINT or SIGTERM. Needs a QCoreApplication; returns the exit code:
// 0 after a stop signal, 1 when the port cannot be opened.
int runHeadless(const QString& home);

} // namespace veltroma
