#pragma once

#include "cli/ExitCode.h"

namespace veltroma {

struct ProgramOptions;

// --headless: the one start-up (program folder, settings, port; a port that does not open is
// waited for), then the logger of monitor/RunHeadless.h until SIGINT or SIGTERM, publishing
// to the MQTT broker of --mqtt or setting.ini when there is one. Needs a QCoreApplication;
// runs on its thread. The web view is served when --web or [Web] of setting.ini names an
// address. Returns ExitCode::Failure when the program folder cannot be used (or
// --save cannot store the port), ExitCode::Usage when the port description names no port,
// ExitCode::Ok after a stop signal.
[[nodiscard]] ExitCode runHeadlessMode(const ProgramOptions& options);

} // namespace veltroma
