#include "monitor/Watchdog.h"

#include <algorithm>

namespace veltroma {

void Watchdog::markAlive()
{
    CommunicationOkFlg_ = 1;
    enabled_ = true;
}

void Watchdog::arm()
{
    iCommunicationNoOkCount_ = 0;
    enabled_ = true;
}

void Watchdog::disable()
{
    enabled_ = false;
}

void Watchdog::tick()
{
    if (!enabled_)
        return;
    if (iCommunicationNoOkCount_ > kLostCount - 1) {
        enabled_ = false;
        iCommunicationNoOkCount_ = 0;
        lost_ = true;
        if (onLost_)
            onLost_();
        return;
    }
    if (CommunicationOkFlg_.exchange(0) == 1) {
        iCommunicationNoOkCount_ = 0;
        if (lost_) {
            lost_ = false;
            if (onBack_)
                onBack_();
        }
    }
    iCommunicationNoOkCount_ = std::min(iCommunicationNoOkCount_ + 1, kLostCount);
}

} // namespace veltroma
