#pragma once

#include "update/Launcher.h"

namespace veltroma {

// Opens the installer the way the desktop opens a file the user double-clicks.
class ShellLauncher final : public Launcher {
public:
    bool launch(const QString& path) override;
};

} // namespace veltroma
