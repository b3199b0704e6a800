#pragma once

#include "params/DialogChannel.h"

class QWidget;

namespace veltroma {

class Prompt;

// The entry points that open the parameter dialogs, for the monitor form and the main
// frame. Each runs the access rule (the code prompt through `prompt`, the error message on a
// wrong code, nothing on Cancel) and, with the right code, shows its dialog modally over `parent`; it
// returns when the dialog has closed: true when it was shown. `channel` is the program's
// channel as the dialogs use it (see dialogChannel()); every exchange of the dialogs holds
// its link lock, so the monitoring worker may keep polling meanwhile.
//
// The other service entries (the "Test" button and the hidden LED switch 8 with the manual
// test dialog, the auto-test item with the test view) call PasswordDisplay() of
// access/AccessRule.h with their AccessEntry and a function that shows their dialog.

// Rocker switch n (1 to 6) of the monitor form: the first code opens the grid protection
// parameters of the inverter at bus address n.
bool OpenGridParameters(QWidget* parent, Prompt& prompt, const DialogChannel& channel,
                        int InverterAddrSet);

// The navigation bar's parameter management 2 item: the first code opens the display
// parameters. Their requests carry no inverter address, so with more than one inverter in
// setting.ini the user is told to service the inverter alone and nothing is asked or sent.
// The main frame releases the mouse capture before it calls this.
bool OpenDisplayParameters(QWidget* parent, Prompt& prompt, const DialogChannel& channel);

} // namespace veltroma
