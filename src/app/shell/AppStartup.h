#pragma once

#include "cli/ExitCode.h"

#include <optional>

namespace veltroma {

class CDesignApp;

// The window's start: the one start-up of every mode (cli/ProgramStartup.h) for the
// application's program folder, its channel opened with --port or CommNum, then the start
// dialog and the main window. A program folder that cannot be used is told on standard
// error, as the other modes tell it, and in a message box; so are the note of files made
// private and a CommNum that names no port, before the start dialog. Runs on the UI thread.
// Returns the exit code when the program ends before its event loop: ExitCode::Failure for
// the program folder, ExitCode::Ok when the start dialog was cancelled; empty when the main
// window is up.
[[nodiscard]] std::optional<ExitCode> startApplication(CDesignApp& app);

} // namespace veltroma
