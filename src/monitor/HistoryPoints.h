#pragma once

#include "monitor/HistoryReader.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace veltroma {

// The points of one read, held until the thread that owns the plot hands them on. A channel
// that grows past kMaxPointsPerChannel is thinned (each group of four points keeps its lowest
// and highest value and any break), so a file made of countless rows costs bounded memory;
// a recorded month stays far below and is kept point for point.
class HistoryPoints final : public HistoryPlot {
public:
    static constexpr std::size_t kMaxPointsPerChannel = 600'000;

    void addPoint(int channel, double x, double y) override;
    void setXSpan(double days) override { span_ = days; }
    void setDateTimeFormat(const QString& format) override { format_ = format; }

    // Puts each channel in X order, points of the same X in reading order: done on the
    // reading thread, it leaves the plot a merge at most.
    void sortByX();

    // Hands everything read to `plot`: the span, each channel's points in reading order, and
    // the date-time format last set.
    void plotInto(HistoryPlot& plot) const;

    [[nodiscard]] std::size_t pointCount(int channel) const;

private:
    struct Channel {
        std::vector<double> xs;
        std::vector<double> ys;
    };
    static void thin(Channel& channel);

    std::array<Channel, kHistoryChannels> channels_;
    std::optional<double> span_;
    std::optional<QString> format_;
};

} // namespace veltroma
