#include "SoakRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
} // namespace veltroma::soak
