#include "StorageTestSupport.h"

#include "storage/CSpreadSheet.h"

namespace veltroma {
namespace {

using test::readWithXlrd;
using test::recordRow;

const QStringList kCoverValues = {QStringLiteral("AB12345678"), QStringLiteral("MX-3000"),
                                  QStringLiteral("V1.02"), QStringLiteral("2011-5")};

// Rows per day sheet of the sample month, and the texts of their status column.
int rowsOfDay(int day)
{
    return day % 5 == 0 ? 0 : day % 4 + 1;
}

QString statusOf(int day, int n)
{
    if (day == 31)
        return QStringLiteral("Grid fault: 'Vac' high");
    return n % 2 ? QStringLiteral("Normal") : QStringLiteral("等待 Wait");
}

// A month file written the way recording writes it: the cover values, then rows inserted
// at row 3 of the day sheets, newest first.
class MonthFileRoundTrip : public test::StorageTest {
protected:
    void SetUp() override
    {
        test::StorageTest::SetUp();
        m_file = newMonthFile();
        {
            CSpreadSheet cover(m_file, QStringLiteral("Cover"), false);
            for (int i = 0; i < kCoverValues.size(); ++i)
                ASSERT_TRUE(cover.AddCell(kCoverValues[i], QStringLiteral("D"), 36 + i));
        }
        for (int day = 1; day <= 31; ++day) {
            for (int n = 0; n < rowsOfDay(day); ++n) {
                CSpreadSheet sheet(m_file, QString::number(day), false);
                ASSERT_TRUE(sheet.AddRow(recordRow(day * 100 + n, statusOf(day, n)), 3))
                    << sheet.GetLastError().toStdString();
            }
        }
    }

    // The data row at sheet row `row` (from 1) of `day`.
    static QStringList expectedRow(int day, int row)
    {
        const int n = rowsOfDay(day) - 1 - (row - 3);
        return recordRow(day * 100 + n, statusOf(day, n));
    }

    QString m_file;
};

TEST_F(MonthFileRoundTrip, OurReaderFindsEverythingInPlace)
{
    const Workbook book = readBack(m_file);
    ASSERT_EQ(book.sheetCount(), 32);
    const Sheet& cover = book.sheet(0);
    EXPECT_EQ(cover.name(), QStringLiteral("Cover"));
    EXPECT_EQ(cover.text(0, 0), QStringLiteral("Inverter History Data Management"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cover.text(35 + i, 3), kCoverValues[i]);
    EXPECT_EQ(cover.merges(), makeRecordTemplate().sheet(0).merges());

    for (int day = 1; day <= 31; ++day) {
        const Sheet& sheet = book.sheet(day);
        ASSERT_EQ(sheet.name(), QString::number(day));
        ASSERT_EQ(sheet.usedRows(), 2 + rowsOfDay(day)) << day;
        for (int c = 0; c < 11; ++c)
            EXPECT_EQ(sheet.text(1, c), recordColumnTitles()[c]);
        for (int row = 3; row <= 2 + rowsOfDay(day); ++row) {
            const QStringList expected = expectedRow(day, row);
            for (int c = 0; c < 11; ++c)
                ASSERT_EQ(sheet.text(row - 1, c), expected[c]) << day << " " << row;
        }
    }
}

TEST_F(MonthFileRoundTrip, XlrdFindsEverythingInPlace)
{
    const auto sheets = readWithXlrd(m_file);
    ASSERT_EQ(sheets.size(), 32u);
    const test::XlrdSheet& cover = sheets[0];
    EXPECT_EQ(cover.name, QStringLiteral("Cover"));
    EXPECT_EQ(cover.cells.at({0, 0}), QStringLiteral("Inverter History Data Management"));
    EXPECT_EQ(cover.cells.at({35, 1}), QStringLiteral("Serial No."));
    EXPECT_EQ(cover.cells.at({38, 1}), QStringLiteral("Year-Month"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cover.cells.at({35 + i, 3}), kCoverValues[i]);
    EXPECT_EQ(cover.cells.size(), 9u);
    EXPECT_TRUE(cover.bold.count({0, 0}));
    EXPECT_EQ(cover.merged, makeRecordTemplate().sheet(0).merges());

    for (int day = 1; day <= 31; ++day) {
        const test::XlrdSheet& sheet = sheets[static_cast<std::size_t>(day)];
        ASSERT_EQ(sheet.name, QString::number(day));
        ASSERT_EQ(sheet.cells.size(), static_cast<std::size_t>(11 * (1 + rowsOfDay(day)))) << day;
        for (int c = 0; c < 11; ++c) {
            EXPECT_EQ(sheet.cells.at({1, c}), recordColumnTitles()[c]);
            EXPECT_TRUE(sheet.bold.count({1, c}));
        }
        for (int row = 3; row <= 2 + rowsOfDay(day); ++row) {
            const QStringList expected = expectedRow(day, row);
            for (int c = 0; c < 11; ++c)
                ASSERT_EQ(sheet.cells.at({row - 1, c}), expected[c]) << day << " " << row;
        }
    }
}

} // namespace
} // namespace veltroma
