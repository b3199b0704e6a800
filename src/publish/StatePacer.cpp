#include "publish/StatePacer.h"

#include "monitor/Reading.h"

namespace veltroma {

bool StatePacer::due(const Reading& reading, std::int64_t nowMs) const
{
    return !lastSentMs_ || reading.stateCode != stateCode_ || reading.faultWord != faultWord_
        || nowMs - *lastSentMs_ >= intervalMs_;
}

void StatePacer::sent(const Reading& reading, std::int64_t nowMs)
{
    lastSentMs_ = nowMs;
    stateCode_ = reading.stateCode;
    faultWord_ = reading.faultWord;
}

} // namespace veltroma
