#pragma once

#include <QString>

#include "update/Launcher.h"
#include "update/UpdateCheck.h"

#include <functional>
#include <memory>

class QWidget;

namespace veltroma {

class Clock;
class Prompt;

// What the monitor form's "Update Software" button calls: the version check, then the update
// dialog when the server announces a newer version.
class UpdateChecker {
public:
    UpdateChecker(Prompt& prompt, QString programFolder, UpdateHost host = defaultUpdateHost(),
                  UpdateTimeouts timeouts = {});
    ~UpdateChecker();

    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    void OnUpdateSoftware(QWidget* parent);

    // The installer is started through the desktop unless another launcher is given.
    void setLauncher(Launcher& launcher) { m_launcher = &launcher; }
    // Ends the program after the installer has started; by default the application's event
    // loops end with exit code 0.
    void setQuit(std::function<void()> quit) { m_quit = std::move(quit); }
    void setClock(Clock& clock) { m_clock = &clock; }

private:
    Prompt& m_prompt;
    UpdateCheck m_check;
    std::unique_ptr<Launcher> m_shellLauncher;
    Launcher* m_launcher;
    Clock* m_clock;
    std::function<void()> m_quit;
};

} // namespace veltroma
