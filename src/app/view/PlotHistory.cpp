#include "app/view/PlotHistory.h"

#include "instruments/CiPlotX.h"

namespace veltroma {

void PlotHistory::addPoint(int channel, double x, double y)
{
    if (CiPlotChannelX* c = plot_.GetChannel(channel))
        c->AddXY(x, y);
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
    for (int q = 0; q < kHistoryChannels; ++q)
        plot_.GetChannel(q)->Clear();
}

} // namespace veltroma
