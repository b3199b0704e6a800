#include "controls/SplitLayout.h"

#include <algorithm>

namespace veltroma {

std::vector<SplitSpan> LayoutSplit(std::span<const SplitInfo> infos, int total, int gap)
{
    std::vector<SplitSpan> spans;
    spans.reserve(infos.size());
    int pos = 0;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        const int room = std::max(0, total - pos);
        int size = room;
        if (i + 1 < infos.size()) {
            const SplitInfo& info = infos[i];
            size = info.ideal <= 0 || info.ideal < info.min ? 0 : std::min(info.ideal, room);
        }
        spans.push_back({pos, size});
        pos += size + gap;
    }
    return spans;
}

} // namespace veltroma
