#pragma once

#include "cli/ExitCode.h"

namespace veltroma {

struct ProgramOptions;

// The program with its window, from start dialog to exit question. It makes the application
// object itself, from the program's own arguments; returns the exit code.
[[nodiscard]] ExitCode runWindow(int& argc, char** argv, const ProgramOptions& options);

} // namespace veltroma
