#pragma once

#include "monitor/Registration.h"

namespace veltroma {

// What the monitor form's buttons and switches open lies outside the form: the owner of the
// form (the main frame) implements these with its dialogs. Each runs on the user-interface
// thread and may show modal dialogs.
class MonitorViewActions {
public:
    virtual ~MonitorViewActions() = default;

    // "Select COM": the communication settings dialog.
    virtual void OnSelectCom() = 0;
    // "Help": the help file.
    virtual void OnHelp() = 0;
    // "Test" and the test switch: the access code, then the manual test dialog.
    virtual void OnTest() = 0;
    // "Update Software": the version check, then the update dialog.
    virtual void OnUpdateSoftware() = 0;
    // The rocker of inverter `slot` (1..6): that slot becomes the parameter dialogs' address,
    // then the access code, then the parameter dialog.
    virtual void OnRocker(int slot) = 0;
};

// The registration progress dialog: the once-a-second refresh drives it through
// ProgressDisplay; the connect switch shows it.
class RegistrationProgress : public ProgressDisplay {
public:
    // Shows the dialog modally at position 0; returns once it has closed.
    virtual void showModal() = 0;
};

} // namespace veltroma
