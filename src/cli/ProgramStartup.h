#pragma once

#include "config/SettingsStartup.h"

#include <QString>

#include <optional>

namespace veltroma {

class Channel;

// The program folder made ready, or why it cannot be.
struct ProgramStart {
    std::optional<QString> failure; // for the user: names the folder and the reason
    // For the user, once: what the start found readable by others and made private.
    std::optional<QString> note;
    QString folder;                 // the program folder, ending with "/"
    StartupSettings settings;       // what setting.ini gave: the port description, the language
    // For the user, when the port description (CommNum) names no port: it says the form
    // expected. The port was not opened then.
    std::optional<QString> portProblem;
};

// The port the command line chose for this run (--port, --save).
struct PortChoice {
    QString description; // empty: the one of setting.ini
    bool save = false;   // store `description` as CommNum
};

// The one start-up of every mode that works in a program folder (the window, the logger and
// the parameter modes), on the thread that runs the mode:
//   1. the program folder for `home` (empty: the default rule) is chosen, created when missing
//      and proven writable; when it is not, `failure` says why and nothing else is done, and
//      the mode ends with ExitCode::Failure;
//   2. the access of group and others to the folder and the program's files in it is
//      removed, and `note` says so when there was any (see tightenProgramFolder());
//   3. its setting.ini is read, made from the embedded default when missing, and the language
//      resolved (the program paths are set for the whole process);
//   4. a `choice` of port replaces CommNum for this run, and is stored as CommNum when it
//      says so (keeping every other line); when that cannot be written, `failure` says why
//      and the port is not opened;
//   5. a port description that names no port gives `portProblem`; else, with a `port`, the
//      channel is opened with it, see openPort().
[[nodiscard]] ProgramStart startProgram(const QString& home, Channel* port = nullptr,
                                        const PortChoice& choice = {});

// The start-up of a mode that only reads the program folder (--status): the folder for `home`
// by the same rule as startProgram(), nothing made, tightened or written. `failure` when
// there is no such folder; `settings` stays empty. Any thread.
[[nodiscard]] ProgramStart findProgram(const QString& home);

// Opens `channel` on the port `settings` name (CommNum, else the default description). A
// port that does not open is reported by the channel through its prompt, and the channel
// keeps trying to open it again; whether the mode waits or ends is its own choice. True when
// the port is open now.
bool openPort(Channel& channel, const StartupSettings& settings);

} // namespace veltroma
