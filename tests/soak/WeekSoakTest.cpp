#include "SoakRun.h"

#include "monitor/Quantity.h"
#include "storage/MonthWorkbook.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace veltroma::soak {
namespace {

// A week of days and nights in virtual time, with every kind of fault once or more, from
// the Saturday before the spring clock change so that a day of 23 hours is in it.
TEST(WeekSoak, AWeekOfFaultsLosesInventsAndDuplicatesNoRow)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    SoakOptions options;
    options.days = 7;
    options.start = QDate(2027, 3, 25);
    options.outFolder = folder.path();

    const SoakResult result = runSoak(options);

    std::set<FaultKind> kinds;
    for (const Fault& fault : result.faults)
        kinds.insert(fault.kind);
    EXPECT_EQ(kinds.size(), 6u) << "every fault kind at least once";
    SCOPED_TRACE(summaryTable(options, result).toStdString());
    EXPECT_EQ(result.rows.lost, 0);
    EXPECT_EQ(result.rows.invented, 0);
    EXPECT_EQ(result.rows.duplicated, 0);
    EXPECT_TRUE(result.unreadableFiles.isEmpty());
    // Thirteen hours of sun a day give up to 260 rows; the faults and each morning's
    // registration take some of them, the damaged file takes the rows it held.
    EXPECT_GT(result.rows.expected + result.destroyedByDamage, 7 * 200);
    EXPECT_GT(result.destroyedByDamage, 0);
    EXPECT_EQ(result.recordingFailuresReported, 1) << "the disk-full hour is reported once";
    EXPECT_EQ(result.restarts, 1);
    EXPECT_EQ(result.reopens, 1u);
    EXPECT_GE(result.lossesReported, 7) << "every night and the silent hours are reported";
    EXPECT_GT(result.reRegistrations, 0u);
}

// A folder in memory where the system has one: the run checks rows, not the disk, and each of
// its five thousand saves is flushed to the disk before it replaces the file, which on a disk
// busy with builds took five times the processor time.
QString memoryFolderTemplate()
{
    const QDir memory(QStringLiteral("/dev/shm"));
    return (memory.exists() ? memory.path() : QDir::tempPath()) + QStringLiteral("/soak-XXXXXX");
}

// The same week and faults with the simulator's first three units on one bus: each is assigned
// by its serial, polled in turn, lost on its own at sunset and assigned again after sunrise
// (the units wake four minutes apart).
TEST(WeekSoak, ThreeInvertersOnOneBusEachKeepEveryRowInTheirOwnFolder)
{
    QTemporaryDir folder(memoryFolderTemplate());
    ASSERT_TRUE(folder.isValid());
    SoakOptions options;
    options.days = 7;
    options.start = QDate(2027, 3, 25);
    options.outFolder = folder.path();
    options.inverters = 3;

    const SoakResult result = runSoak(options);

    SCOPED_TRACE(summaryTable(options, result).toStdString());
    EXPECT_EQ(result.rows.lost, 0);
    EXPECT_EQ(result.rows.invented, 0) << "a row in another inverter's folder counts as invented";
    EXPECT_EQ(result.rows.duplicated, 0);
    EXPECT_TRUE(result.unreadableFiles.isEmpty());
    ASSERT_EQ(result.inverters.size(), 3u);

    static const QRegularExpression monthName(QStringLiteral("^\\d{4}-\\d{1,2}\\.xls$"));
    for (int slot = 1; slot <= 3; ++slot) {
        SCOPED_TRACE(slot);
        const InverterFigures& figures = result.inverters[std::size_t(slot - 1)];
        // As for one inverter: up to 260 rows a day, less the faults and the mornings.
        long long destroyed = 0;
        for (const int rows : figures.destroyedPerDay)
            destroyed += rows;
        EXPECT_GT(figures.rows.expected + destroyed, 7 * 200);
        // Every sunset loses the slot on its own (the others still answer for a few minutes),
        // every sunrise assigns it again by its serial.
        EXPECT_GE(figures.slotLosses, 7);
        EXPECT_GE(figures.assignments, 7);
        for (int day = 0; day < options.days; ++day) {
            // Rows the damaged file took were on disk before; every other day's are still.
            EXPECT_GT(figures.writtenPerDay[std::size_t(day)] + figures.destroyedPerDay[std::size_t(day)], 0)
                << "day " << day;
        }

        // Unit k of the simulator: its serial ends in the digit 2 + k, its plant has 2 + k kW.
        const QString serial = QStringLiteral("VT2400012%1").arg(2 + slot);
        const double ratedW = (2 + slot) * 1000.0;
        const QDir inverterFolder(folder.filePath(QStringLiteral("Data/Inverter%1").arg(slot)));
        double mostW = 0;
        int files = 0;
        for (const QString& name : inverterFolder.entryList(QDir::Files)) {
            if (!monthName.match(name).hasMatch())
                continue;
            ++files;
            const auto read = readMonthText(inverterFolder.filePath(name));
            ASSERT_TRUE(std::holds_alternative<MonthText>(read)) << name.toStdString();
            const MonthText& text = std::get<MonthText>(read);
            ASSERT_FALSE(text.cover.isEmpty()) << name.toStdString();
            EXPECT_EQ(text.cover.front().toStdString(), serial.toStdString()) << name.toStdString();
            for (const auto& [day, rows] : text.days) {
                for (const QStringList& row : rows)
                    mostW = std::max(mostW, row.value(index(Quantity::Pac) + 1).toDouble());
            }
        }
        EXPECT_GE(files, 1);
        // The measurement noise is half a percent; at noon each plant feeds more than the next
        // smaller one could.
        EXPECT_LE(mostW, ratedW * 1.01);
        EXPECT_GT(mostW, ratedW - 1000.0);
    }
}

} // namespace
} // namespace veltroma::soak
