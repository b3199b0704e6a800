#pragma once

#include <QString>

#include <cstdio>

namespace veltroma {

// The command-line parameter modes, for scripts and fleets of inverters.
struct ParameterCommand {
    bool read = false;         // --read-parameters
    QString writeFile;         // --write-parameters FILE (empty: not given)
    QString accessCode;        // --access-code
    QString address;           // --address, as typed (empty: 1)
    QString home;              // --home (empty: the executable's folder)
};

// Exit codes of the parameter modes.
enum class ParameterExit : int {
    Done = 0,        // done, and every written row read back as written
    NotDone = 1,     // no reply, a read-back difference, or no backup
    Invalid = 2,     // an invalid file or option: nothing sent
    WrongCode = 3,   // a wrong access code: nothing sent
    PortFailed = 4,  // the port is unavailable or busy
};

// Runs --read-parameters or --write-parameters: start-up of the program folder and the port
// from its setting.ini, then the exchange with the inverter. Results go to `out`, messages
// to `err`. Needs a QCoreApplication; returns the exit code.
int runParameters(const ParameterCommand& command, std::FILE* out = stdout,
                  std::FILE* err = stderr);

} // namespace veltroma
