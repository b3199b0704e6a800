#pragma once

#include "monitor/InverterModel.h"
#include "monitor/RecordingState.h"

namespace veltroma {

// Writes the record row every 180 seconds while realtime monitoring is connected. The engine
// calls it only once a realtime reply has been decoded; `snapshot` holds the row together
// with the file, sheet and cover texts computed with it. Returns where recording stands,
// which the engine passes on to its listeners.
class Recorder {
public:
    virtual ~Recorder() = default;
    virtual RecordingState record(const InverterModel& snapshot) = 0;
};

} // namespace veltroma
