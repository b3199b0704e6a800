#include "ShotSupport.h"

#include "PlantModel.h"

#include "config/Strings.h"
#include "monitor/DailyRecorder.h"
#include "monitor/InverterModel.h"
#include "monitor/Quantity.h"
#include "monitor/RecordPaths.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>

namespace veltroma::shots {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void WhenModal(std::function<void(QWidget&)> handle)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, handle = std::move(handle)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            handle(*modal);
        }
    });
    timer->start();
}

bool Save(QWidget& widget, const QString& path)
{
    if (widget.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

void ZoomToData(QWidget& window)
{
    auto* plot = window.findChild<QCustomPlot*>();
    if (plot == nullptr)
        return;
    std::optional<QCPRange> keys;
    for (int i = 0; i < plot->graphCount(); ++i) {
        QCPGraph* graph = plot->graph(i);
        bool found = false;
        const QCPRange range = graph->getKeyRange(found);
        if (!graph->visible() || !found)
            continue;
        keys = keys ? QCPRange(std::min(keys->lower, range.lower), std::max(keys->upper, range.upper)) : range;
    }
    if (!keys)
        return;
    const double margin = keys->size() * 0.04;
    plot->xAxis->setRange(keys->lower - margin, keys->upper + margin);
    plot->replot();
}

bool RecordDay(const QString& programFolder, QDate day)
{
    constexpr int kRecordSeconds = 180;
    constexpr double kFirst = 5 * 3600.0;
    constexpr double kLast = 20.5 * 3600.0;
    // The link lost for most of an hour after noon: history shows it as a gap.
    constexpr double kOutageFrom = 13 * 3600.0;
    constexpr double kOutageTo = 13.75 * 3600.0;

    sim::PlantModel plant(sim::PlantConfig{}, 0);
    std::mt19937 noise(7);
    DailyRecorder recorder;
    InverterModel model;
    model.sSerialNums[bInverterAdrNow] = QStringLiteral("VT24000123");
    model.sModelname[bInverterAdrNow] = QStringLiteral("Veltroma 3000TL");
    model.sVer[bInverterAdrNow] = QStringLiteral("V2.10");
    model.realtimeDecoded = true;

    for (double second = kFirst; second <= kLast; second += kRecordSeconds) {
        plant.advanceTo(second);
        if (second > kOutageFrom && second < kOutageTo)
            continue;
        const sim::PlantReading r = plant.reading(noise);
        const QDateTime at(day, QTime(0, 0).addSecs(static_cast<int>(second)));
        model.paths = LoadDataSet(programFolder, at, bInverterAdrNow);

        const double values[kQuantityCount] = {
            r.pvVoltage, r.gridVoltage, r.gridFrequency, r.powerW, r.energyTodayKWh,
            plant.operatingSecondsToday() / 60.0, r.energyTotalKWh, r.hoursTotal, r.temperatureC};
        model.NewRow = {model.paths.sExcelColumA};
        for (std::size_t q = 0; q < kQuantityCount; ++q)
            model.NewRow << QString::asprintf(format(static_cast<Quantity>(q)), values[q]);
        model.NewRow << g_LoadString(r.state == 1 ? QStringLiteral("IDC_NORMAL") : QStringLiteral("IDC_WAIT"));

        recorder.record(model);
    }
    return QFileInfo::exists(model.paths.sWriteExcelPath);
}

} // namespace veltroma::shots
