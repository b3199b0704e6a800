#include "StorageTestSupport.h"
#include "support/FileContent.h"

#include "storage/AtomicFile.h"
#include "storage/CSpreadSheet.h"
#include "storage/NumberText.h"
#include "storage/RowBatch.h"
#include "storage/SheetReader.h"

#include <QDir>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace veltroma {
namespace {

using test::contentOf;
using test::recordRow;

// Column B of the data rows (row 3 down) of a day sheet, as a fresh read of the file gives it.
std::vector<int> rowNumbers(const QString& file, const QString& day)
{
    WorkbookStore::shared().clear();
    const SheetReader sheet(file, day);
    std::vector<int> numbers;
    QString cell;
    for (long r = 3; r <= sheet.totalRows(); ++r) {
        EXPECT_TRUE(sheet.readCell(cell, 2, r));
        numbers.push_back(cell.toInt());
    }
    return numbers;
}

class RowBatch : public test::StorageTest {
protected:
    void TearDown() override { setSaveFault(std::nullopt); }

    [[nodiscard]] QStringList leftovers(const QString& keep) const
    {
        QStringList names = QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(keep);
        return names;
    }
};

TEST_F(RowBatch, RowsGoOnTopOfTheirOwnSheetsNewestFirstInOneSave)
{
    const QString file = newMonthFile();
    {
        CSpreadSheet day(file, QStringLiteral("1"), false);
        ASSERT_TRUE(day.AddRow(recordRow(100), 3));
    }
    const std::vector<SheetRow> rows = {{QStringLiteral("1"), recordRow(1)}, {QStringLiteral("2"), recordRow(2)},
                                        {QStringLiteral("1"), recordRow(3)}, {QStringLiteral("31"), recordRow(4)},
                                        {QStringLiteral("1"), recordRow(5)}};
    ASSERT_EQ(insertRowsAt(file, rows, 3), std::nullopt);

    EXPECT_EQ(rowNumbers(file, QStringLiteral("1")), (std::vector<int>{5, 3, 1, 100}));
    EXPECT_EQ(rowNumbers(file, QStringLiteral("2")), (std::vector<int>{2}));
    EXPECT_EQ(rowNumbers(file, QStringLiteral("31")), (std::vector<int>{4}));
    EXPECT_TRUE(rowNumbers(file, QStringLiteral("3")).empty());

    // The second reader sees the same, with the titles still in row 2.
    const auto sheets = test::readWithXlrd(file);
    ASSERT_EQ(sheets.size(), 32U);
    EXPECT_EQ(sheets[1].cells.at({1, 0}), QStringLiteral("Hour:Minute"));
    EXPECT_EQ(sheets[1].cells.at({2, 1}), QStringLiteral("5"));
    EXPECT_EQ(sheets[1].cells.at({5, 1}), QStringLiteral("100"));
    EXPECT_EQ(sheets[1].cells.at({5, 10}), QStringLiteral("Normal"));
    EXPECT_EQ(sheets[31].cells.at({2, 0}), recordRow(4).first());
}

TEST_F(RowBatch, BatchGivesTheSameSheetsAsSingleInserts)
{
    const QString single = newMonthFile(QStringLiteral("single.xls"));
    const QString batch = newMonthFile(QStringLiteral("batch.xls"));
    std::vector<SheetRow> rows;
    for (int n = 0; n < 40; ++n) {
        // A blank cell as the layer writes it, and a short row, travel as single inserts do.
        QStringList cells = recordRow(n);
        if (n % 7 == 0)
            cells[3] = QStringLiteral(" ");
        if (n % 11 == 0)
            cells = cells.mid(0, 4);
        rows.push_back({QString::number(1 + n % 3), cells});
    }
    for (const SheetRow& row : rows) {
        CSpreadSheet day(single, row.sheet, false);
        ASSERT_TRUE(day.AddRow(row.cells, 3)) << day.GetLastError().toStdString();
    }
    ASSERT_EQ(insertRowsAt(batch, rows, 3), std::nullopt);

    const Workbook a = readBack(single);
    const Workbook b = readBack(batch);
    ASSERT_EQ(a.sheetCount(), b.sheetCount());
    for (int i = 0; i < a.sheetCount(); ++i) {
        ASSERT_EQ(a.sheet(i).usedRows(), b.sheet(i).usedRows()) << i;
        ASSERT_EQ(a.sheet(i).usedColumns(), b.sheet(i).usedColumns()) << i;
        for (int r = 0; r < a.sheet(i).usedRows(); ++r) {
            for (int c = 0; c < a.sheet(i).usedColumns(); ++c)
                EXPECT_EQ(a.sheet(i).text(r, c), b.sheet(i).text(r, c)) << i << ' ' << r << ' ' << c;
        }
    }
}

TEST_F(RowBatch, RefusedBatchesWriteNothingAndSayWhy)
{
    const QString file = newMonthFile();
    const QByteArray before = contentOf(file);
    const auto refused = [&](const std::vector<SheetRow>& rows, const QString& why) {
        const auto error = insertRowsAt(file, rows, 3);
        ASSERT_TRUE(error.has_value());
        EXPECT_TRUE(error->contains(why)) << error->toStdString();
        EXPECT_EQ(contentOf(file), before);
    };
    refused({{QStringLiteral("1"), recordRow(1)}, {QStringLiteral("32"), recordRow(2)}}, QStringLiteral("\"32\""));
    refused({{QStringLiteral("1"), {QString(256, u'x')}}}, QStringLiteral("255"));
    refused({{QStringLiteral("1"), QStringList(257, QStringLiteral("x"))}}, QStringLiteral("256"));

    const auto missing = insertRowsAt(path(QStringLiteral("2011-6.xls")), std::vector<SheetRow>{}, 3);
    ASSERT_TRUE(missing.has_value());
    EXPECT_TRUE(missing->contains(QStringLiteral("2011-6.xls")));
}

TEST_F(RowBatch, FullDiskIsReportedAndTheRowsLandOnceItIsGone)
{
    const QString file = newMonthFile();
    const QByteArray before = contentOf(file);
    const std::vector<SheetRow> rows = {{QStringLiteral("9"), recordRow(1)}, {QStringLiteral("9"), recordRow(2)}};

    setSaveFault(SaveFault{ENOSPC, 1000});
    const auto error = insertRowsAt(file, rows, 3);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error->toStdString();
    EXPECT_TRUE(error->contains(file));
    CSpreadSheet day(file, QStringLiteral("9"), false);
    EXPECT_FALSE(day.AddRow(recordRow(3), 3));
    EXPECT_TRUE(day.GetLastError().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    EXPECT_EQ(contentOf(file), before);
    EXPECT_TRUE(leftovers(QStringLiteral("2011-5.xls")).isEmpty());

    setSaveFault(std::nullopt);
    ASSERT_EQ(insertRowsAt(file, rows, 3), std::nullopt);
    EXPECT_EQ(rowNumbers(file, QStringLiteral("9")), (std::vector<int>{2, 1}));
}

TEST_F(RowBatch, DataFolderReplacedByAPlainFileIsReported)
{
    const QString folder = path(QStringLiteral("Data"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString file = folder + QStringLiteral("/2011-5.xls");
    QFile::copy(newMonthFile(), file);
    {
        CSpreadSheet day(file, QStringLiteral("4"), false);
        ASSERT_TRUE(day.AddRow(recordRow(1), 3));
    }
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile plain(folder);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    const auto error = insertRowsAt(file, std::vector<SheetRow>{{QStringLiteral("4"), recordRow(2)}}, 3);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(QString::fromLocal8Bit(std::strerror(ENOTDIR)))) << error->toStdString();
    CSpreadSheet day(file, QStringLiteral("4"), false);
    EXPECT_FALSE(day.AddRow(recordRow(3), 3));
    EXPECT_FALSE(day.GetLastError().isEmpty());
}

// Saves that re-encode only the changed sheet keep the others and every text's place in the
// shared string table; a fresh read and a second reader must see exactly the workbook.
TEST_F(RowBatch, ManySavesOfChangedSheetsReadBackWhole)
{
    const QString file = newMonthFile();
    for (int n = 0; n < 30; ++n) {
        CSpreadSheet day(file, QString::number(1 + n % 4), false);
        // Rows replaced as well as inserted leave texts no cell uses any more.
        ASSERT_TRUE(day.AddRow(recordRow(n), 3, n % 5 == 4)) << day.GetLastError().toStdString();
    }
    Workbook expected = WorkbookStore::shared().load(file).file->book;
    const Workbook read = readBack(file);
    ASSERT_EQ(read.sheetCount(), expected.sheetCount());
    const auto sheets = test::readWithXlrd(file);
    ASSERT_EQ(sheets.size(), 32U);
    for (int i = 0; i < read.sheetCount(); ++i) {
        const Sheet& want = expected.sheet(i);
        ASSERT_EQ(read.sheet(i).usedRows(), want.usedRows());
        for (int r = 0; r < want.usedRows(); ++r) {
            for (int c = 0; c < want.usedColumns(); ++c) {
                EXPECT_EQ(read.sheet(i).text(r, c), want.text(r, c));
                const auto cell = sheets[static_cast<std::size_t>(i)].cells.find({r, c});
                EXPECT_EQ(cell == sheets[static_cast<std::size_t>(i)].cells.end() ? QString() : cell->second,
                          want.text(r, c));
            }
        }
    }
}

TEST(ParseNumber, RecordNumbersAndNothingElse)
{
    EXPECT_EQ(parseNumber(u" 230.4 "), 230.4);
    EXPECT_EQ(parseNumber(u"+3"), 3.0);
    EXPECT_EQ(parseNumber(u"-0.5"), -0.5);
    EXPECT_EQ(parseNumber(u"1e3"), 1000.0);
    EXPECT_EQ(parseNumber(u""), std::nullopt);
    EXPECT_EQ(parseNumber(u"Normal"), std::nullopt);
    EXPECT_EQ(parseNumber(u"12a"), std::nullopt);
    EXPECT_EQ(parseNumber(u"1,5"), std::nullopt);
    EXPECT_EQ(parseNumber(u"\u00B9"), std::nullopt);
}

TEST(ParseNumber, PlainDecimalsGiveExactlyTheCorrectlyRoundedDouble)
{
    // Plain decimals take a shortcut; every one must give the bits strtod gives.
    std::mt19937_64 random(7);
    for (int n = 0; n < 20000; ++n) {
        const int digits = 1 + static_cast<int>(random() % 16);
        QString text = (random() % 2) ? QStringLiteral("-") : QString();
        const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point && d > 0)
                text += u'.';
            text += QChar(u'0' + static_cast<char16_t>(random() % 10));
        }
        const double expected = std::strtod(text.toLatin1().constData(), nullptr);
        const auto parsed = parseNumber(text);
        ASSERT_TRUE(parsed) << text.toStdString();
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(expected)) << text.toStdString();
    }
    EXPECT_TRUE(std::signbit(*parseNumber(u"-0")));
    EXPECT_EQ(parseNumber(u"5."), 5.0);
    EXPECT_EQ(parseNumber(u".5"), 0.5);
    EXPECT_EQ(parseNumber(u"1234567890.1234567"), 1234567890.1234567); // beyond fifteen digits
    EXPECT_EQ(parseNumber(u"-"), std::nullopt);
    EXPECT_EQ(parseNumber(u"1.2.3"), std::nullopt);
}

} // namespace
} // namespace veltroma
