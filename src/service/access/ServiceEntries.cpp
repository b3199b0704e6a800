#include "service/access/ServiceEntries.h"

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
    return PasswordDisplay(prompt, AccessEntry::DisplayParameters, [&] {
        CParaSet2 dialog(channel, prompt, parent);
        dialog.exec();
    });
}

} // namespace veltroma
