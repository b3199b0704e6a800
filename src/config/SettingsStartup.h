#pragma once

#include <QString>

namespace veltroma {

// The port description the program starts with when the settings file names none.
inline constexpr const char16_t* kDefaultPortDescription = u"COM1,9600,8,N,1";

struct StartupSettings {
    QString portDescription;    // to open the port with
    QString language;           // the language taken, now active and stored
    bool portIsDefault = false; // setting.ini names no port: kDefaultPortDescription is used
};

// The settings-file steps of start-up, shared by the window and the headless mode: sets the
// program paths for `programFolder`, creates setting.ini from the embedded default when it
// is missing, takes a non-empty CommNum as the whole port description, and resolves the
// language (writing the language files when the stored one has none). Opening the port is
// left to the caller.
StartupSettings loadStartupSettings(const QString& programFolder);

// Stores `description` as CommNum in the settings file of the program folder set last,
// keeping every other line. Any thread. False when the file cannot be written or cannot
// carry the text.
bool storePortDescription(const QString& description);

} // namespace veltroma
