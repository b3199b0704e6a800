#include "RowLedger.h"

#include <gtest/gtest.h>

namespace veltroma::soak {
namespace {

RowKey row(const char* time)
{
    return rowKey(QStringLiteral("2027-3.xls"), QStringLiteral("28"),
                  {QString::fromLatin1(time), QStringLiteral("230.1")});
}

TEST(RowLedger, TrailingEmptyCellsDoNotMakeTwoRowsDiffer)
{
    const RowKey read = rowKey(QStringLiteral("2027-3.xls"), QStringLiteral("28"),
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

} // namespace
} // namespace veltroma::soak
