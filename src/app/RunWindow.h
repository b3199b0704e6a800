#pragma once

#include "update/UpdateHost.h"

#include <QString>

namespace veltroma {

// The program with its window, from start dialog to exit question; returns the exit code.
// It makes the application object itself, from the program's own arguments.
int runWindow(int& argc, char** argv, const QString& home, const UpdateHost& updateHost);

} // namespace veltroma
