// The build without widgets: the program runs headless only.
#include "app/RunWindow.h"

#include "cli/Messages.h"

namespace veltroma {

ExitCode runWindow(int&, char**, const ProgramOptions&)
{
    printMessage(QStringLiteral("this build has no window; run it with --headless."));
    return ExitCode::Usage;
}

} // namespace veltroma
