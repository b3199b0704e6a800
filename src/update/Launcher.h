#pragma once

#include <QString>

namespace veltroma {

// Starts a downloaded installer the way the desktop opens a file. Tests put in their own.
class Launcher {
public:
    virtual ~Launcher() = default;
    // False: the program could not be started.
    virtual bool launch(const QString& path) = 0;
};

} // namespace veltroma
