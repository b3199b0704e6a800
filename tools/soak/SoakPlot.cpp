#include "SoakPlot.h"

#include <qcustomplot.h>

#include <map>

namespace veltroma::soak {

namespace {

QColor faultColor(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Replug: return QColor(0x1f, 0x77, 0xb4);
    case FaultKind::SilentLink: return QColor(0xff, 0x7f, 0x0e);
    case FaultKind::Garble: return QColor(0x94, 0x67, 0xbd);
    case FaultKind::DiskFull: return QColor(0xd6, 0x27, 0x28);
    case FaultKind::DamagedFile: return QColor(0x8c, 0x56, 0x4b);
    case FaultKind::Restart: return QColor(0x2c, 0xa0, 0x2c);
    }
    return Qt::black;
}

} // namespace

bool drawSoakPlot(const SoakOptions& options, const SoakResult& result, const QString& path)
{
    QCustomPlot plot;
    plot.resize(1200, 500);
    plot.legend->setVisible(true);
    plot.legend->setFont(QFont(QStringLiteral("Sans"), 8));
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(
        0, 0,
        new QCPTextElement(&plot,
                           QStringLiteral("%1 days from %2 (%3): rows per day, faults marked")
                               .arg(options.days)
                               .arg(options.start.toString(Qt::ISODate), options.timeZone)));

    QVector<double> days;
    QVector<double> expected;
    QVector<double> written;
    QVector<double> destroyed;
    double top = 1;
    for (std::size_t day = 0; day < result.expectedPerDay.size(); ++day) {
        days << static_cast<double>(day);
        expected << result.expectedPerDay[day];
        written << result.writtenPerDay[day];
        destroyed << result.destroyedPerDay[day];
        top = std::max({top, expected.back(), written.back()});
    }
    auto* expectedBars = new QCPBars(plot.xAxis, plot.yAxis);
    expectedBars->setName(QStringLiteral("expected"));
    expectedBars->setData(days, expected);
    expectedBars->setWidth(0.8);
    expectedBars->setPen(Qt::NoPen);
    expectedBars->setBrush(QColor(200, 200, 200));
    auto* destroyedBars = new QCPBars(plot.xAxis, plot.yAxis);
    destroyedBars->setName(QStringLiteral("taken by the damaged file"));
    destroyedBars->setData(days, destroyed);
    destroyedBars->setWidth(0.4);
    destroyedBars->setPen(Qt::NoPen);
    destroyedBars->setBrush(QColor(0x8c, 0x56, 0x4b, 160));
    QCPGraph* writtenLine = plot.addGraph();
    writtenLine->setName(QStringLiteral("written and read back"));
    writtenLine->setData(days, written);
    writtenLine->setPen(QPen(Qt::black, 1.5));
    writtenLine->setLineStyle(QCPGraph::lsStepCenter);

    // One marker graph per kind, so the legend names each once.
    std::map<FaultKind, QCPGraph*> markers;
    for (const Fault& fault : result.faults) {
        QCPGraph*& graph = markers[fault.kind];
        if (graph == nullptr) {
            graph = plot.addGraph();
            graph->setName(faultName(fault.kind));
            graph->setLineStyle(QCPGraph::lsNone);
            graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangleInverted,
                                                   faultColor(fault.kind),
                                                   faultColor(fault.kind), 9));
        }
        const int level = static_cast<int>(fault.kind);
        graph->addData(fault.day + fault.atSeconds / 86400.0, top * (1.08 + 0.05 * level));
    }

    plot.xAxis->setLabel(QStringLiteral("day of the run"));
    plot.yAxis->setLabel(QStringLiteral("rows"));
    plot.xAxis->setRange(-1, options.days);
    plot.yAxis->setRange(0, top * 1.4);
    // The legend sits outside the plot, on the right, clear of the markers.
    auto* legendCell = new QCPLayoutGrid;
    plot.plotLayout()->addElement(1, 1, legendCell);
    legendCell->addElement(0, 0, plot.legend);
    legendCell->setMargins(QMargins(0, 10, 10, 0));
    plot.plotLayout()->setColumnStretchFactor(1, 0.001);
    return plot.savePng(path, 1200, 500);
}

} // namespace veltroma::soak
