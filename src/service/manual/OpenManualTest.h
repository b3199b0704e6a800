#pragma once

#include "base/Clock.h"

class QWidget;

namespace veltroma {

class ByteLink;
class Prompt;

// Runs the manual test dialog modally over `parent` (the caller has checked the access code)
// and returns when it has been closed and its refresh thread has ended. The thread talks on
// `link`; its exchanges take turns with any other party's through the link lock. Its raw
// service commands carry no inverter address: with more than one inverter in setting.ini
// the user is told to test the inverter alone, and the dialog does not open.
// User-interface thread only.
void openManualTest(QWidget* parent, Prompt& prompt, ByteLink& link,
                    Clock& clock = steadyClock());

} // namespace veltroma
