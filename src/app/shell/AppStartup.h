#pragma once

#include "config/SettingsStartup.h"

#include <QString>

namespace veltroma {

class Channel;

// The start dialog's start-up steps for the program folder: the paths, setting.ini made from
// the embedded default when missing, the language resolved, and the port opened with the
// stored CommNum (or the default description). A port that does not open is reported by the
// channel and the program goes on without a link.
StartupSettings OpenProgramFolder(Channel& channel, const QString& folder);

} // namespace veltroma
