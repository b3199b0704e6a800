#pragma once

#include <QString>

#include <optional>

namespace veltroma {

// The program-wide paths. They are set on the UI thread at start-up and when the language
// changes, and read from any thread; every read returns a whole value.

// The program folder, ending with "/": where setting.ini, the Language folder and the Data
// folder live.
QString g_szCurPath();

// g_szCurPath() + "setting.ini".
QString g_szSettingPath();

// The active language file; empty until the language has been resolved.
QString g_szLanguagePath();

// Sets g_szCurPath (a "/" is added when missing) and g_szSettingPath with it.
void setProgramFolder(const QString& folder);

void setLanguagePath(const QString& path);

// What decides where the program folder is.
struct ProgramFolderInputs {
    QString home;             // the --home option, empty when not given; may be relative
    QString executableFolder; // the folder of the running executable
    QString xdgDataHome;      // $XDG_DATA_HOME, empty when unset
    QString userHome;         // $HOME
};

// The program folder rule, with a trailing "/":
// - `home` when given (relative to the working directory);
// - else the executable's folder when it already holds setting.ini (a portable copy) or is not
//   the `bin` folder of an installation (the build tree);
// - else, installed, the per-user data folder $XDG_DATA_HOME/veltroma-monitor, where an unset
//   or relative XDG_DATA_HOME means ~/.local/share. The installed tree is never chosen.
QString chooseProgramFolder(const ProgramFolderInputs& inputs);

// chooseProgramFolder() for this process: its executable (never the working directory) and
// its environment.
QString programFolder(const QString& home = {});

// Creates the program folder when it is missing (0700, with any missing folder above it) and
// proves that files can be made in it. Empty: ready. Otherwise the message for the user,
// which names the folder and the reason.
std::optional<QString> prepareProgramFolder(const QString& folder);

// Removes the access of group and others from the program folder, its setting.ini and its
// Data and Language folders with everything in them, left by an earlier version, an unusual
// umask or a hand. Empty when there was none; otherwise one line for the user that says
// what was tightened and what could not be (a file system without Unix modes). Nothing else
// in the folder is touched: it may be a build tree or hold the executable.
std::optional<QString> tightenProgramFolder(const QString& folder);

} // namespace veltroma
