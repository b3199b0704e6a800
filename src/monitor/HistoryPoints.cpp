#include "monitor/HistoryPoints.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace veltroma {

void HistoryPoints::addPoint(int channel, double x, double y)
{
    if (channel < 0 || channel >= kHistoryChannels)
        return;
    Channel& c = channels_[static_cast<std::size_t>(channel)];
    c.xs.push_back(x);
    c.ys.push_back(y);
    if (c.xs.size() >= kMaxPointsPerChannel)
        thin(c);
}

void HistoryPoints::thin(Channel& channel)
{
    constexpr std::size_t kGroup = 4;
    std::size_t kept = 0;
    const auto keep = [&channel, &kept](std::size_t i) {
        channel.xs[kept] = channel.xs[i];
        channel.ys[kept] = channel.ys[i];
        ++kept;
    };
    const std::size_t size = channel.xs.size();
    std::size_t at = 0;
    for (; at + kGroup <= size; at += kGroup) {
        std::optional<std::size_t> low;
        std::optional<std::size_t> high;
        for (std::size_t i = at; i < at + kGroup; ++i) {
            if (std::isnan(channel.ys[i]))
                continue;
            if (!low || channel.ys[i] < channel.ys[*low])
                low = i;
            if (!high || channel.ys[i] > channel.ys[*high])
                high = i;
        }
        // In reading order; a break stays, or lines would join across the gap.
        for (std::size_t i = at; i < at + kGroup; ++i) {
            if (std::isnan(channel.ys[i]) || i == low || (i == high && high != low))
                keep(i);
        }
    }
    for (; at < size; ++at)
        keep(at);
    channel.xs.resize(kept);
    channel.ys.resize(kept);
}

void HistoryPoints::sortByX()
{
    for (Channel& c : channels_) {
        if (std::is_sorted(c.xs.begin(), c.xs.end()))
            continue;
        std::vector<std::size_t> order(c.xs.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&c](std::size_t a, std::size_t b) { return c.xs[a] < c.xs[b]; });
        Channel sorted;
        sorted.xs.reserve(order.size());
        sorted.ys.reserve(order.size());
        for (const std::size_t i : order) {
            sorted.xs.push_back(c.xs[i]);
            sorted.ys.push_back(c.ys[i]);
        }
        c = std::move(sorted);
    }
}

void HistoryPoints::plotInto(HistoryPlot& plot) const
{
    if (span_)
        plot.setXSpan(*span_);
    for (int q = 0; q < kHistoryChannels; ++q) {
        const Channel& c = channels_[static_cast<std::size_t>(q)];
        plot.addPoints(q, c.xs, c.ys);
    }
    if (format_)
        plot.setDateTimeFormat(*format_);
}

std::size_t HistoryPoints::pointCount(int channel) const
{
    if (channel < 0 || channel >= kHistoryChannels)
        return 0;
    return channels_[static_cast<std::size_t>(channel)].xs.size();
}

} // namespace veltroma
