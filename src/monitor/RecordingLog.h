#pragma once

#include "monitor/RecordingState.h"

#include <QStringList>

namespace veltroma {

// The recording state as lines for standard error: a failure once when it begins (again
// when another file fails), "recording resumed" at the first success after it, and every
// notice once.
class RecordingLog {
public:
    [[nodiscard]] QStringList linesFor(const RecordingState& state);

private:
    bool failing_ = false;
    QString failedFile_;
};

} // namespace veltroma
