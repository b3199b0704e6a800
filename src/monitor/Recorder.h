#pragma once

#include "monitor/InverterModel.h"

namespace veltroma {

// Writes the record row every 180 seconds while realtime monitoring is connected. The engine
// calls it only once a realtime reply has been decoded; `snapshot` holds the row together
// with the file, sheet and cover texts computed with it.
class Recorder {
public:
    virtual ~Recorder() = default;
    virtual void record(const InverterModel& snapshot) = 0;
};

} // namespace veltroma
