#include "service/manual/OpenManualTest.h"

#include "config/OneInverterCheck.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "service/manual/CInputSerial.h"

namespace veltroma {

void openManualTest(QWidget* parent, Prompt& prompt, ByteLink& link, Clock& clock)
{
    if (!confirmOneInverterOnBus(prompt, ProfileFile(g_szSettingPath())))
        return;
    CInputSerial dialog(prompt, link, clock, parent);
    dialog.exec();
}

} // namespace veltroma
