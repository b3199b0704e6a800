#pragma once

namespace veltroma {

// How the program ends, in every mode. The numbers are documented (--help, the man page and
// the README) and scripts rely on them: never renumber.
enum class ExitCode : int {
    Ok = 0,              // done; the window closed; the logger stopped by SIGINT or SIGTERM
    Failure = 1,         // the program folder cannot be used, an output cannot be written,
                         // or the inverter did not reply or did not take what was written;
                         // --status: an inverter's records are late in daylight
    Usage = 2,           // the command line, or a file it names, is wrong: nothing was done
    WrongAccessCode = 3, // the parameter modes' access code is not correct: nothing was sent
    PortUnavailable = 4, // the parameter modes cannot open the port
};

// The value main() returns.
[[nodiscard]] constexpr int exitStatus(ExitCode code)
{
    return static_cast<int>(code);
}

} // namespace veltroma
