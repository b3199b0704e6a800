#include "config/OneInverterCheck.h"

#include "base/Prompt.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/Strings.h"

namespace veltroma {

bool confirmOneInverterOnBus(Prompt& prompt, const ProfileFile& settings)
{
    if (mayTalkWithoutAddress(loadInverterSlots(settings).count))
        return true;
    prompt.message(g_LoadString(QStringLiteral("IDC_ONEINVERTER_ONLY")), {}, PromptButtons::Ok,
                   PromptIcon::Warning);
    return false;
}

} // namespace veltroma
