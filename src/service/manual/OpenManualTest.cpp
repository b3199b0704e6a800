#include "service/manual/OpenManualTest.h"

#include "service/manual/CInputSerial.h"

namespace veltroma {

void openManualTest(QWidget* parent, Prompt& prompt, ByteLink& link, Clock& clock)
{
    CInputSerial dialog(prompt, link, clock, parent);
    dialog.exec();
}

} // namespace veltroma
