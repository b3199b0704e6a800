#include "StorageTestSupport.h"
#include "support/FileContent.h"

#include "storage/CSpreadSheet.h"

namespace veltroma {
namespace {

using test::contentOf;
using test::writeContent;

class CSpreadSheetText : public test::StorageTest {};

TEST_F(CSpreadSheetText, RowsAreWrittenQuotedWithTheSeparator)
{
    const QString file = path(QStringLiteral("log.csv"));
    CSpreadSheet sheet(file, QStringLiteral(","), false);
    EXPECT_EQ(sheet.GetLastError(), QStringLiteral("Error in opening file\n")); // a new file
    ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("Time"), QStringLiteral("Value")}));
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("9:5:3"), QStringLiteral("it's 1,5")}));
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("only")}, 4));
    EXPECT_EQ(contentOf(file), QByteArray("\"Time\",\"Value\"\r\n\"9:5:3\",\"it's 1,5\"\r\n\"\",\"\"\r\n\"only\"\r\n"));

    CSpreadSheet reread(file, QStringLiteral(","), false);
    EXPECT_EQ(reread.GetTotalRows(), 4);
    EXPECT_EQ(reread.GetTotalColumns(), 2);
    QStringList cells;
    ASSERT_TRUE(reread.ReadRow(cells, 2));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("9:5:3"), QStringLiteral("it's 1,5")}));
    ASSERT_TRUE(reread.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QString(), QString()}));
}

TEST_F(CSpreadSheetText, TextFilesTakeRowsOfAnyWidth)
{
    const QString file = path(QStringLiteral("wide.txt"));
    writeContent(file, "a;b\n1;2;3;4\n\"x\"\n");
    CSpreadSheet sheet(file, QStringLiteral(";"), false);
    EXPECT_EQ(sheet.GetTotalRows(), 3);
    EXPECT_EQ(sheet.GetTotalColumns(), 4);
    QStringList names;
    sheet.GetFieldNames(names);
    EXPECT_EQ(names, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QStringList cells;
    ASSERT_TRUE(sheet.ReadRow(cells, 3));
    EXPECT_EQ(cells, QStringList{QStringLiteral("x")});

    ASSERT_TRUE(sheet.AddCell(QStringLiteral("far"), QStringLiteral("IV"), 0));
    EXPECT_EQ(sheet.GetTotalColumns(), 256);
    ASSERT_TRUE(sheet.AddCell(QStringLiteral("z"), QStringLiteral("Z"), 0));
    ASSERT_TRUE(sheet.ReadRow(cells, 5));
    EXPECT_EQ(cells.size(), 256);
    EXPECT_EQ(cells[25], QStringLiteral("z"));
    ASSERT_TRUE(sheet.AddCell(QStringLiteral("aa"), QStringLiteral("aa"), 1));
    sheet.GetFieldNames(names);
    EXPECT_EQ(names.size(), 27);
    EXPECT_EQ(names[26], QStringLiteral("aa"));
    ASSERT_TRUE(sheet.AddCell(QStringLiteral("ab"), QStringLiteral("ab"), 2));
    ASSERT_TRUE(sheet.ReadCell(names.last(), 28, 2));
    EXPECT_EQ(names.last(), QStringLiteral("ab"));
}

TEST_F(CSpreadSheetText, BackupDeleteAndUnavailableFunctions)
{
    const QString file = path(QStringLiteral("keep.csv"));
    writeContent(file, "\"a\",\"b\"\r\n\"1\",\"2\"\r\n");
    CSpreadSheet sheet(file, QStringLiteral(","), true);
    EXPECT_TRUE(sheet.GetBackupStatus());
    EXPECT_EQ(contentOf(file + QStringLiteral(".bak")), contentOf(file));

    EXPECT_FALSE(sheet.ReplaceRows({QStringLiteral("x")}, {QStringLiteral("1")}));
    EXPECT_EQ(sheet.GetLastError(), QStringLiteral("Function not available for text delimited file\n"));

    ASSERT_TRUE(sheet.DeleteSheet());
    EXPECT_EQ(sheet.GetTotalRows(), 0);
    EXPECT_TRUE(contentOf(file).isEmpty());
    EXPECT_FALSE(contentOf(file + QStringLiteral(".bak")).isEmpty());
}

TEST_F(CSpreadSheetText, TransactionAndRollBack)
{
    const QString file = path(QStringLiteral("t.csv"));
    writeContent(file, "\"a\"\r\n\"1\"\r\n");
    CSpreadSheet sheet(file, QStringLiteral(","), false);
    sheet.BeginTransaction();
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("2")}));
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("0")}, 2));
    EXPECT_EQ(contentOf(file), QByteArray("\"a\"\r\n\"1\"\r\n"));
    ASSERT_TRUE(sheet.RollBack());
    EXPECT_EQ(sheet.GetTotalRows(), 2);
    sheet.BeginTransaction();
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("2")}));
    ASSERT_TRUE(sheet.Commit());
    EXPECT_EQ(contentOf(file), QByteArray("\"a\"\r\n\"1\"\r\n\"2\"\r\n"));
}

TEST_F(CSpreadSheetText, ConvertWorkbookSheetToTextFile)
{
    const QString book = path(QStringLiteral("month.xls"));
    {
        CSpreadSheet sheet(book, QStringLiteral("Data"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("Time"), QStringLiteral("Note")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral("9:5:3"), QStringLiteral("it's")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral("9:8:3")}, 4));
    }
    CSpreadSheet sheet(book, QStringLiteral("Data"), false);
    ASSERT_TRUE(sheet.Convert(QStringLiteral(";"))) << sheet.GetLastError().toStdString();
    EXPECT_EQ(contentOf(path(QStringLiteral("month.csv"))),
              QByteArray("\"Time\";\"Note\"\r\n\"9:5:3\";\"it's\"\r\n\"\";\"\"\r\n\"9:8:3\";\"\"\r\n"));
    EXPECT_FALSE(sheet.Convert(QStringLiteral(";"))); // the target holds data now
}

TEST_F(CSpreadSheetText, ConvertTextFileToWorkbookSheet)
{
    const QString text = path(QStringLiteral("log.csv"));
    writeContent(text, "\"Time\",\"Value\"\r\n\"1\",\"10\"\r\n\"2\",\"20\"\r\n");
    CSpreadSheet source(text, QStringLiteral(","), false);
    ASSERT_TRUE(source.Convert(QStringLiteral("Imported"))) << source.GetLastError().toStdString();
    CSpreadSheet target(path(QStringLiteral("log.xls")), QStringLiteral("Imported"), false);
    QStringList cells;
    target.GetFieldNames(cells);
    EXPECT_EQ(cells, (QStringList{QStringLiteral("Time"), QStringLiteral("Value")}));
    EXPECT_EQ(target.GetTotalRows(), 3);
    ASSERT_TRUE(target.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("2"), QStringLiteral("20")}));
}

TEST_F(CSpreadSheetText, ConvertWithRepeatedNamesNumbersTheFields)
{
    const QString text = path(QStringLiteral("dup.csv"));
    writeContent(text, "\"v\",\"v\",\"w\"\r\n\"1\",\"2\",\"3\"\r\n");
    CSpreadSheet source(text, QStringLiteral(","), false);
    ASSERT_TRUE(source.Convert(QStringLiteral("S")));
    EXPECT_EQ(source.GetLastError(), QStringLiteral("Duplicate header row field:v\n"));
    CSpreadSheet target(path(QStringLiteral("dup.xls")), QStringLiteral("S"), false);
    QStringList cells;
    target.GetFieldNames(cells);
    EXPECT_EQ(cells, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    ASSERT_TRUE(target.ReadRow(cells, 2));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("v"), QStringLiteral("v"), QStringLiteral("w")}));
    ASSERT_TRUE(target.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
}

TEST_F(CSpreadSheetText, ConvertAddsTheSheetToAnExistingWorkbook)
{
    const QString book = newMonthFile(QStringLiteral("data.xls"));
    const QString text = path(QStringLiteral("data.csv"));
    writeContent(text, "\"a\"\r\n\"b\"\r\n");
    CSpreadSheet source(text, QStringLiteral(","), false);
    ASSERT_TRUE(source.Convert(QStringLiteral("Extra")));
    const Workbook stored = readBack(book);
    ASSERT_EQ(stored.sheetCount(), 33);
    EXPECT_EQ(stored.sheet(32).name(), QStringLiteral("Extra"));
    EXPECT_EQ(stored.sheet(0).text(0, 0), QStringLiteral("Inverter History Data Management"));
    EXPECT_FALSE(source.Convert(QStringLiteral("Cover")));
}

} // namespace
} // namespace veltroma
