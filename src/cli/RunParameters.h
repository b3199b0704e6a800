#pragma once

#include "cli/ExitCode.h"

#include <cstdio>

namespace veltroma {

struct ProgramOptions;

// The command-line parameter modes, for scripts and fleets of inverters.
enum class ParameterAction {
    Read,  // --read-parameters: print the grid parameters as Name=Value lines
    Write, // --write-parameters FILE: check, back up, write and read back
};

// Runs a parameter mode with options the command line has checked (an access code is given,
// the address is in range): the one start-up of the program folder (its setting.ini names
// the port), the access code, the file judged whole, then the port and the exchange with
// the inverter. Results go to `out`, messages to `err`. Needs a QCoreApplication; runs on
// its thread. Returns
//   ExitCode::Ok              done, and every written row read back as written;
//   ExitCode::Failure         the program folder cannot be used, no reply, a write not
//                             acknowledged, a read-back difference, or no backup;
//   ExitCode::Usage           an invalid file, or values that break the limits: nothing written;
//   ExitCode::WrongAccessCode nothing was sent;
//   ExitCode::PortUnavailable the port is unavailable or busy.
[[nodiscard]] ExitCode runParameters(ParameterAction action, const ProgramOptions& options,
                                     std::FILE* out = stdout, std::FILE* err = stderr);

} // namespace veltroma
