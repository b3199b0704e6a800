#include "app/shell/AppStartup.h"

#include "app/shell/DesignApp.h"
#include "app/shell/ProgramTitle.h"
#include "base/Prompt.h"
#include "cli/Messages.h"
#include "cli/ProgramStartup.h"

namespace veltroma {

std::optional<ExitCode> startApplication(CDesignApp& app)
{
    const ProgramStart start = startProgram(app.options().home, &app.channel());
    if (start.failure) {
        printMessage(*start.failure);
        app.prompt().message(*start.failure, programTitle(), PromptButtons::Ok, PromptIcon::Error);
        return ExitCode::Failure;
    }
    if (start.note) {
        printMessage(*start.note);
        app.prompt().message(*start.note, programTitle(), PromptButtons::Ok, PromptIcon::Information);
    }
    if (!app.InitInstance())
        return ExitCode::Ok;
    return std::nullopt;
}

} // namespace veltroma
