// The build without widgets: the program runs headless only.
#include "app/RunWindow.h"

#include <cstdio>

namespace veltroma {

int runWindow(int&, char**, const QString&, const UpdateHost&)
{
    std::fputs("veltroma-monitor: this build has no window; run it with --headless.\n", stderr);
    return 2;
}

} // namespace veltroma
