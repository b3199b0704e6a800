#include "app/view/PlotHistory.h"

#include "app/view/QuantityAxes.h"
#include "instruments/CiPlotX.h"

namespace veltroma {

void PlotHistory::addPoint(int channel, double x, double y)
{
    if (channel < 0 || channel >= kHistoryChannels)
        return;
    if (CiPlotChannelX* c = plot_.GetChannel(curveChannel(slot_, channel)))
        c->AddXY(x, y);
}

void PlotHistory::addPoints(int channel, std::span<const double> xs, std::span<const double> ys)
{
    if (channel < 0 || channel >= kHistoryChannels)
        return;
    if (CiPlotChannelX* c = plot_.GetChannel(curveChannel(slot_, channel)))
        c->AddXYs(xs, ys);
}

void PlotHistory::setXSpan(double days)
{
    // The recorded days all fall on the days of one month on the axis; the span starts with
    // the first of them, so the labels read day 1 to day 31 and no point scrolls the axis.
    CiPlotAxisX* axis = plot_.GetXAxis(0);
    axis->SetMin(historyX(1, 0, 0, 0));
    axis->SetSpan(days);
}

void PlotHistory::setDateTimeFormat(const QString& format)
{
    CiPlotAxisX* axis = plot_.GetXAxis(0);
    if (axis->dateTimeFormat() != format)
        axis->SetDateTimeFormat(format);
}

void PlotHistory::clearChannels()
{
    for (int c = 0; c < plot_.channelCount(); ++c)
        plot_.GetChannel(c)->Clear();
}

} // namespace veltroma
