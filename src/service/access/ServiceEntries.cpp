#include "service/access/ServiceEntries.h"

#include "config/OneInverterCheck.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "params/ParaSet.h"
#include "params/ParaSet2.h"
#include "access/AccessRule.h"

namespace veltroma {

bool OpenGridParameters(QWidget* parent, Prompt& prompt, const DialogChannel& channel,
                        int InverterAddrSet)
{
    return PasswordDisplay(prompt, AccessEntry::ParameterRocker, [&] {
        CParaSet dialog(channel, prompt, InverterAddrSet, parent);
        dialog.exec();
    });
}

bool OpenDisplayParameters(QWidget* parent, Prompt& prompt, const DialogChannel& channel)
{
    // The display unit's fixed address reaches every inverter on the bus: asking for the code
    // first would only lead to a dialog that cannot work.
    if (!confirmOneInverterOnBus(prompt, ProfileFile(g_szSettingPath())))
        return false;
    return PasswordDisplay(prompt, AccessEntry::DisplayParameters, [&] {
        CParaSet2 dialog(channel, prompt, parent);
        dialog.exec();
    });
}

} // namespace veltroma
