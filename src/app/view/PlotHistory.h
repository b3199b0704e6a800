#pragma once

#include "app/view/HistoryReview.h"

namespace veltroma {

class CiPlotX;

// History review drawing on the form's plot: channel q of the slot whose records are read is
// that slot's curve of quantity q (slot 1's are plot channels 0..8).
class PlotHistory final : public HistoryCanvas {
public:
    explicit PlotHistory(CiPlotX& plot) : plot_(plot) {}

    // The slot whose records are read from now on (1..6).
    void setSlot(int slot) { slot_ = slot; }
    [[nodiscard]] int slot() const { return slot_; }

    void addPoint(int channel, double x, double y) override;
    void addPoints(int channel, std::span<const double> xs, std::span<const double> ys) override;
    // The span starts at day 1 of the month.
    void setXSpan(double days) override;
    // The reader sets the format after every cell; the axis hears of it only when it changes.
    void setDateTimeFormat(const QString& format) override;
    // Every slot's curves: what another slot showed goes too.
    void clearChannels() override;

private:
    CiPlotX& plot_;
    int slot_ = 1;
};

} // namespace veltroma
