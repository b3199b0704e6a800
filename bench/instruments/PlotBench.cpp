// The realtime plot left running for weeks: one point a second on each of the nine channels
// for 31 days and then one more day. Prints the process's memory and the time of one repaint
// of the plot at the form's size, and exits with 1 when either is over its target.
//
//   plot_bench [DAYS]     (32 unless given; fewer days for a quick look)
#include "instruments/CiPlotX.h"
#include "instruments/DayValue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kMostRssMb = 150.0;
constexpr double kMostRepaintMs = 30.0;
// The plot's size on the form at its natural size.
constexpr QSize kFormPlot{1116, 278};
constexpr int kRepaints = 15;

// Resident and peak resident memory of this process in MB, from the kernel's own account.
std::pair<double, double> residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    double rss = 0.0;
    double peak = 0.0;
    if (!status.open(QIODevice::ReadOnly))
        return {rss, peak};
    for (const QByteArray& line : status.readAll().split('\n')) {
        const auto kb = [&] { return line.simplified().split(' ').value(1).toDouble() / 1024.0; };
        if (line.startsWith("VmRSS:"))
            rss = kb();
        else if (line.startsWith("VmHWM:"))
            peak = kb();
    }
    return {rss, peak};
}

// A day's curve of each quantity with a little noise, so neighbouring points differ as
// live values do.
double sample(int channel, long second)
{
    const double dayPart = double(second % 86400) / 86400.0;
    const double sun = std::max(0.0, std::sin((dayPart - 0.25) * 2.0 * M_PI));
    const double noise = double((second * 7919 + channel * 104729) % 997) / 997.0;
    return (channel + 1) * 100.0 * sun + noise * 5.0;
}

double medianRepaintMs(QCustomPlot& plot)
{
    std::vector<double> times;
    for (int i = 0; i < kRepaints; ++i) {
        QElapsedTimer timer;
        timer.start();
        plot.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 32;

    veltroma::CiPlotX plot;
    plot.resize(kFormPlot);
    plot.show();
    veltroma::CiPlotAxisX* x = plot.GetXAxis(0);
    x->SetDateTimeFormat(QStringLiteral("yyyy-m-d h:nn:ss"));
    x->SetSpan(0.04);
    plot.AddYAxis();
    plot.GetYAxis(0)->SetSpan(1000.0);
    for (int c = 1; c < veltroma::CiPlotX::kChannelCount; ++c)
        plot.GetChannel(c)->SetVisible(false);

    const auto [before, beforePeak] = residentMb();
    const double firstDay = 45000.0;
    QElapsedTimer appending;
    appending.start();
    for (long second = 0; second < long(days) * 86400; ++second) {
        const double at = firstDay + double(second) / 86400.0;
        for (int c = 0; c < veltroma::CiPlotX::kChannelCount; ++c)
            plot.GetChannel(c)->AddXY(at, sample(c, second));
        // The form's refresh lets the event loop run between seconds; a queued replot
        // would otherwise wait until the end.
        if (second % 3600 == 0)
            QCoreApplication::processEvents();
    }
    const double appendSeconds = double(appending.elapsed()) / 1000.0;
    const auto [rss, peak] = residentMb();

    int points = 0;
    for (int c = 0; c < veltroma::CiPlotX::kChannelCount; ++c)
        points += plot.GetChannel(c)->pointCount();

    const double liveMs = medianRepaintMs(*plot.customPlot());
    x->SetMin(firstDay + days - plot.keptDays());
    x->SetSpan(plot.keptDays());
    const double fullMs = medianRepaintMs(*plot.customPlot());

    std::printf("appended %d days x 9 channels of one-second points in %.1f s\n", days,
                appendSeconds);
    std::printf("points kept: %d (%.0f per channel)\n", points, points / 9.0);
    std::printf("resident memory: %.1f MB before, %.1f MB after, peak %.1f MB (target < %.0f)\n",
                before, rss, std::max(peak, beforePeak), kMostRssMb);
    std::printf("repaint at %dx%d, median of %d: realtime span %.2f ms, %g days in view %.2f ms "
                "(target < %.0f)\n",
                kFormPlot.width(), kFormPlot.height(), kRepaints, liveMs, plot.keptDays(), fullMs,
                kMostRepaintMs);
    const bool ok = std::max(peak, rss) < kMostRssMb && fullMs < kMostRepaintMs
        && liveMs < kMostRepaintMs;
    std::printf("%s\n", ok ? "within targets" : "OVER TARGET");
    return ok ? 0 : 1;
}
