#pragma once

#include "app/view/HistoryReview.h"

namespace veltroma {

class CiPlotX;

// History review drawing on the form's plot: channel q of slot 1 is plot channel q.
class PlotHistory final : public HistoryCanvas {
public:
    explicit PlotHistory(CiPlotX& plot) : plot_(plot) {}

    void addPoint(int channel, double x, double y) override;
    // The span starts at day 1 of the month.
    void setXSpan(double days) override;
    // The reader sets the format after every cell; the axis hears of it only when it changes.
    void setDateTimeFormat(const QString& format) override;
    void clearChannels() override;

private:
    CiPlotX& plot_;
};

} // namespace veltroma
