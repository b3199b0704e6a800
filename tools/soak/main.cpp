// soak: a long unattended run of the monitor in virtual time, checked row by row.
#include "SoakPlot.h"
#include "SoakRun.h"

#include "config/InverterSlots.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimeZone>

#include <cstdio>

using namespace veltroma::soak;

int main(int argc, char** argv)
{
    // The picture needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the monitor's engine, recorder and month files through simulated days of "
        "sunrise, sunset and faults on a virtual clock, then checks every recorded row."));
    parser.addHelpOption();
    const QCommandLineOption days(QStringLiteral("days"), QStringLiteral("Days to run."),
                                  QStringLiteral("N"), QStringLiteral("7"));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("First day."),
                                   QStringLiteral("YYYY-MM-DD"), QStringLiteral("2027-01-01"));
    const QCommandLineOption zone(QStringLiteral("tz"), QStringLiteral("Time zone of the calendar."),
                                  QStringLiteral("ZONE"), QStringLiteral("Europe/Berlin"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Program folder for the month files and soak.png."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the line noise."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption inverters(QStringLiteral("inverters"),
                                       QStringLiteral("Inverters on the bus, 1 to 6."),
                                       QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({days, start, zone, out, seed, inverters});
    parser.process(app);

    SoakOptions options;
    bool daysOk = false;
    bool seedOk = false;
    bool invertersOk = false;
    options.days = parser.value(days).toInt(&daysOk);
    options.start = QDate::fromString(parser.value(start), Qt::ISODate);
    options.timeZone = parser.value(zone);
    options.outFolder = parser.value(out);
    options.seed = parser.value(seed).toUInt(&seedOk);
    options.inverters = parser.value(inverters).toInt(&invertersOk);
    if (!daysOk || options.days < 1 || !options.start.isValid() || !seedOk
        || options.outFolder.isEmpty() || !QTimeZone(options.timeZone.toUtf8()).isValid()
        || !invertersOk || options.inverters < 1 || options.inverters > veltroma::InverterSlots::kMaxCount) {
        std::fprintf(stderr, "soak: give --days N (1 or more), --start YYYY-MM-DD, a known "
                             "--tz, --out DIR, a number as --seed and --inverters 1 to 6\n");
        return 2;
    }
    if (QDir(options.outFolder).exists(QStringLiteral("Data"))) {
        std::fprintf(stderr, "soak: %s already holds a Data folder; give an empty folder\n",
                     qPrintable(options.outFolder));
        return 2;
    }

    const SoakResult result = runSoak(options);
    std::fputs(qPrintable(summaryTable(options, result)), stdout);
    const QString picture = QDir(options.outFolder).filePath(QStringLiteral("soak.png"));
    if (!drawSoakPlot(options, result, picture))
        std::fprintf(stderr, "soak: could not write %s\n", qPrintable(picture));
    return result.passed() ? 0 : 1;
}
