#pragma once

#include <span>
#include <vector>

namespace veltroma {

struct SplitInfo {
    int ideal = 0;
    int min = 0;
};

struct SplitSpan {
    int pos = 0;
    int size = 0;
};

// Lays out the columns (or rows) of a fixed split window along `total` pixels: each but the
// last gets its ideal size (none when that is zero or below its minimum), as far as room
// remains; the last takes what is left; `gap` pixels separate neighbours.
std::vector<SplitSpan> LayoutSplit(std::span<const SplitInfo> infos, int total, int gap);

} // namespace veltroma
