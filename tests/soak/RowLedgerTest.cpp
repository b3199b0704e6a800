#include "RowLedger.h"

#include "monitor/DailyRecorder.h"
#include "monitor/RecordPaths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::soak {
namespace {

RowKey row(const char* time)
{
    return rowKey(QStringLiteral("Inverter1/2027-3.xls"), QStringLiteral("28"),
                  {QString::fromLatin1(time), QStringLiteral("230.1")});
}

TEST(RowLedger, TrailingEmptyCellsDoNotMakeTwoRowsDiffer)
{
    const RowKey read = rowKey(QStringLiteral("Inverter1/2027-3.xls"), QStringLiteral("28"),
                               {QStringLiteral("9:3:0"), QStringLiteral("230.1"), QString(), QString()});
    EXPECT_FALSE(read < row("9:3:0"));
    EXPECT_FALSE(row("9:3:0") < read);
}

TEST(RowLedger, ComparisonTellsLostInventedAndDuplicatedRowsApart)
{
    // In the hour the clock goes back, the same time of day is recorded twice on purpose.
    const RowCounts expected{{row("9:0:0"), 1}, {row("9:3:0"), 1}, {row("2:30:0"), 2}};
    const RowCounts written{{row("9:0:0"), 3}, {row("2:30:0"), 1}, {row("9:6:0"), 1}};

    const Comparison result = compareRows(expected, written);

    EXPECT_EQ(result.expected, 4);
    EXPECT_EQ(result.written, 5);
    EXPECT_EQ(result.lost, 2);       // 9:3:0 missing, one of the two 2:30:0
    EXPECT_EQ(result.duplicated, 2); // 9:0:0 twice too often
    EXPECT_EQ(result.invented, 1);   // 9:6:0 never asked for
}

TEST(RowLedger, EqualSetsCompareClean)
{
    const RowCounts rows{{row("9:0:0"), 1}, {row("2:30:0"), 2}};
    const Comparison result = compareRows(rows, rows);
    EXPECT_EQ(result.lost + result.invented + result.duplicated, 0);
    EXPECT_EQ(result.written, 3);
}

TEST(RowLedger, ARowFiledUnderAnotherInvertersFolderIsLostThereAndInventedHere)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString programFolder = folder.path() + u'/';
    const QDateTime at(QDate(2027, 3, 28), QTime(9, 3));
    DailyRecorder recorder([at] { return at; });
    RowCounts expected;
    std::mutex mutex;
    ExpectingRecorder expecting(recorder, expected, mutex);

    InverterModel model;
    model.realtimeDecoded = true;
    model.recordSlot = 1;
    model.paths = LoadDataSet(programFolder, at, 1);
    model.NewRow = {model.paths.sExcelColumA, QStringLiteral("230.1")};
    (void)expecting.record(model);
    // Slot 2's row, but with the paths of slot 1's folder.
    model.recordSlot = 2;
    model.NewRow = {model.paths.sExcelColumA, QStringLiteral("231.7")};
    (void)expecting.record(model);

    QStringList unreadable;
    const RowCounts written = rowsOnDisk(programFolder + QStringLiteral("Data"), unreadable);
    EXPECT_TRUE(unreadable.isEmpty());
    ASSERT_EQ(written.size(), 2U);
    EXPECT_EQ(slotOfRow(written.begin()->first), 1);
    EXPECT_EQ(rowsOfSlot(expected, 2).size(), 1U);

    const Comparison result = compareRows(expected, written);
    EXPECT_EQ(result.written, 2);
    EXPECT_EQ(result.lost, 1);
    EXPECT_EQ(result.invented, 1);
}

} // namespace
} // namespace veltroma::soak
