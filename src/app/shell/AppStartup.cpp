#include "app/shell/AppStartup.h"

#include "app/shell/DesignApp.h"
#include "app/shell/ProgramTitle.h"
#include "base/Prompt.h"
#include "cli/Messages.h"
#include "cli/ProgramStartup.h"

namespace veltroma {

std::optional<ExitCode> startApplication(CDesignApp& app)
{
    const auto& options = app.options();
    const ProgramStart start =
        startProgram(options.home, &app.channel(), {options.port, options.savePort});
    if (start.failure) {
        printMessage(*start.failure);
        app.prompt().message(*start.failure, programTitle(), PromptButtons::Ok, PromptIcon::Error);
        return ExitCode::Failure;
    }
    if (start.note) {
        printMessage(*start.note);
        app.prompt().message(*start.note, programTitle(), PromptButtons::Ok, PromptIcon::Information);
    }
    // The window still comes up: the settings dialog is where the port is chosen.
    if (start.portProblem) {
        printMessage(*start.portProblem);
        app.prompt().message(*start.portProblem, programTitle(), PromptButtons::Ok,
                             PromptIcon::Warning);
    }
    if (!app.InitInstance())
        return ExitCode::Ok;
    return std::nullopt;
}

} // namespace veltroma
