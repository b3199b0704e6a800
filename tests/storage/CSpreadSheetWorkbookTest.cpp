#include "StorageTestSupport.h"

#include "storage/CSpreadSheet.h"

namespace veltroma {
namespace {

using test::recordRow;

QStringList header()
{
    return {QStringLiteral("Time"), QStringLiteral("Power"), QStringLiteral("State")};
}

QStringList row(const QString& tag)
{
    return {tag + QStringLiteral("-t"), tag + QStringLiteral("-p"), tag + QStringLiteral("-s")};
}

QStringList allRows(CSpreadSheet& sheet)
{
    QStringList texts;
    QStringList cells;
    for (long r = 1; r <= sheet.GetTotalRows(); ++r) {
        EXPECT_TRUE(sheet.ReadRow(cells, r));
        texts.append(cells.join(u'|'));
    }
    return texts;
}

class CSpreadSheetWorkbook : public test::StorageTest {
protected:
    // A sheet "Data" with the header and rows r2..r5.
    QString fiveRows()
    {
        const QString file = path(QStringLiteral("book.xls"));
        CSpreadSheet sheet(file, QStringLiteral("Data"), false);
        sheet.BeginTransaction();
        EXPECT_TRUE(sheet.AddHeaders(header()));
        for (int r = 2; r <= 5; ++r)
            EXPECT_TRUE(sheet.AddRow(row(QStringLiteral("r%1").arg(r))));
        EXPECT_TRUE(sheet.Commit()) << sheet.GetLastError().toStdString();
        return file;
    }
};

TEST_F(CSpreadSheetWorkbook, NewFileGetsTheSheetAndReadsBack)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("data"), false); // sheet names ignore case
    EXPECT_EQ(sheet.GetTotalRows(), 5);
    EXPECT_EQ(sheet.GetTotalColumns(), 3);
    QStringList names;
    sheet.GetFieldNames(names);
    EXPECT_EQ(names, header());
    EXPECT_EQ(allRows(sheet), (QStringList{QStringLiteral("Time|Power|State"), QStringLiteral("r2-t|r2-p|r2-s"),
                                           QStringLiteral("r3-t|r3-p|r3-s"), QStringLiteral("r4-t|r4-p|r4-s"),
                                           QStringLiteral("r5-t|r5-p|r5-s")}));
}

TEST_F(CSpreadSheetWorkbook, InsertAtRowThreeMovesTheRowsBelowDown)
{
    const QString file = fiveRows();
    {
        CSpreadSheet sheet(file, QStringLiteral("Data"), false);
        ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("new")), 3));
        EXPECT_EQ(sheet.GetTotalRows(), 6);
    }
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(allRows(reread).mid(1), (QStringList{QStringLiteral("r2-t|r2-p|r2-s"), QStringLiteral("new-t|new-p|new-s"),
                                                   QStringLiteral("r3-t|r3-p|r3-s"), QStringLiteral("r4-t|r4-p|r4-s"),
                                                   QStringLiteral("r5-t|r5-p|r5-s")}));
}

TEST_F(CSpreadSheetWorkbook, RowBeyondTheEndIsReachedWithBlankRows)
{
    const QString file = fiveRows();
    {
        CSpreadSheet sheet(file, QStringLiteral("Data"), false);
        ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("far")), 8));
        EXPECT_EQ(sheet.GetTotalRows(), 8);
        EXPECT_EQ(sheet.GetCurrentRow(), 8);
        QStringList cells;
        ASSERT_TRUE(sheet.ReadRow(cells, 6));
        EXPECT_EQ(cells, QStringList(3, QStringLiteral(" "))); // blank cells in memory
    }
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(reread.GetTotalRows(), 8);
    const QStringList rows = allRows(reread);
    EXPECT_EQ(rows[5], QStringLiteral("||")); // stored as empty cells
    EXPECT_EQ(rows[6], QStringLiteral("||"));
    EXPECT_EQ(rows[7], QStringLiteral("far-t|far-p|far-s"));
}

TEST_F(CSpreadSheetWorkbook, ReplaceKeepsTheRowCount)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("x")), 4, true));
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(reread.GetTotalRows(), 5);
    EXPECT_EQ(allRows(reread)[3], QStringLiteral("x-t|x-p|x-s"));
}

TEST_F(CSpreadSheetWorkbook, ColumnLettersAndFieldNames)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    QString cell;
    EXPECT_TRUE(sheet.ReadCell(cell, QStringLiteral("B"), 3));
    EXPECT_EQ(cell, QStringLiteral("r3-p"));
    EXPECT_TRUE(sheet.ReadCell(cell, QStringLiteral("c"), 2)); // letters in any case
    EXPECT_EQ(cell, QStringLiteral("r2-s"));
    EXPECT_TRUE(sheet.ReadCell(cell, QStringLiteral("State"), 4, false));
    EXPECT_EQ(cell, QStringLiteral("r4-s"));
    EXPECT_TRUE(sheet.ReadCell(cell, QStringLiteral("Power"), 5)); // three letters or more: a field name
    EXPECT_EQ(cell, QStringLiteral("r5-p"));

    EXPECT_FALSE(sheet.ReadCell(cell, QStringLiteral("B"), 3, false));
    EXPECT_EQ(sheet.GetLastError(), QStringLiteral("Invalid field name or column alphabet\n"));
    EXPECT_FALSE(sheet.ReadCell(cell, QStringLiteral("D"), 3)); // beyond the row: no message
    EXPECT_TRUE(cell.isEmpty());
}

TEST_F(CSpreadSheetWorkbook, ReadCellAndColumnLeaveTheRowPointer)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    QStringList cells;
    ASSERT_TRUE(sheet.ReadRow(cells, 2));
    EXPECT_EQ(sheet.GetCurrentRow(), 3);
    QString cell;
    ASSERT_TRUE(sheet.ReadCell(cell, 1, 5));
    ASSERT_TRUE(sheet.ReadCell(cell, 2)); // row 0: the row at the pointer
    EXPECT_EQ(cell, QStringLiteral("r3-p"));
    QStringList column;
    ASSERT_TRUE(sheet.ReadColumn(QStringLiteral("A"), column));
    EXPECT_EQ(column, (QStringList{QStringLiteral("Time"), QStringLiteral("r2-t"), QStringLiteral("r3-t"),
                                   QStringLiteral("r4-t"), QStringLiteral("r5-t")}));
    EXPECT_EQ(sheet.GetCurrentRow(), 3);
    ASSERT_TRUE(sheet.ReadRow(cells));
    EXPECT_EQ(cells.first(), QStringLiteral("r3-t"));
    while (sheet.ReadRow(cells)) {
    }
    EXPECT_EQ(sheet.GetCurrentRow(), 6);
    EXPECT_FALSE(sheet.ReadCell(cell, 1));
    EXPECT_EQ(sheet.GetLastError(), QStringLiteral("Error reading row\n"));
}

TEST_F(CSpreadSheetWorkbook, FailuresLeaveTheirMessages)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    const auto expectFailure = [&](bool result, const char* message) {
        EXPECT_FALSE(result);
        EXPECT_EQ(sheet.GetLastError(), QString::fromUtf8(message));
    };
    expectFailure(sheet.AddRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a")}, 1),
                  "Duplicate header row field:a\n");
    expectFailure(sheet.AddRow({QStringLiteral("a"), QStringLiteral("b")}, 1),
                  "Number of columns in new header row cannot be less than the number of columns in previous "
                  "header row");
    expectFailure(sheet.AddRow({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}),
                  "Number of columns to be added cannot be greater than the number of fields\n");
    expectFailure(sheet.AddCell(QStringLiteral("x"), 0, 2), "Column cannot be zero\n");
    expectFailure(sheet.AddCell(QStringLiteral("x"), 4, 2),
                  "Cell column to be added cannot be greater than the number of fields\n");
    expectFailure(sheet.AddCell(QStringLiteral("Time"), QStringLiteral("B"), 1), "Duplicate header row field:Time\n");
    expectFailure(sheet.AddHeaders({QStringLiteral("Power")}), "Duplicate header row field:Power\n");
    QStringList cells;
    expectFailure(sheet.ReadRow(cells, 6), "Desired row is greater than total number of rows in spreadsheet\n");
    expectFailure(sheet.ReadColumn(0, cells), "Column cannot be zero\n");

    CSpreadSheet empty(file, QStringLiteral("Other"), false);
    EXPECT_FALSE(empty.AddRow(row(QStringLiteral("x"))));
    EXPECT_EQ(empty.GetLastError(), QStringLiteral("No header row. Add header row first\n"));
}

TEST_F(CSpreadSheetWorkbook, AppendedHeadersWidenTheSheet)
{
    const QString file = fiveRows();
    {
        CSpreadSheet sheet(file, QStringLiteral("Data"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("Note")}));
        EXPECT_EQ(sheet.GetTotalColumns(), 4);
        ASSERT_TRUE(sheet.AddCell(QStringLiteral("noted"), QStringLiteral("Note"), 3, false));
    }
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(reread.GetTotalColumns(), 4);
    EXPECT_EQ(allRows(reread)[2], QStringLiteral("r3-t|r3-p|r3-s|noted"));
    EXPECT_EQ(allRows(reread)[4], QStringLiteral("r5-t|r5-p|r5-s|"));
}

TEST_F(CSpreadSheetWorkbook, TransactionWritesOnlyAtCommit)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    sheet.BeginTransaction();
    EXPECT_TRUE(sheet.GetTransactionStatus());
    ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("t1"))));
    ASSERT_TRUE(sheet.AddCell(QStringLiteral("changed"), 2, 2));
    EXPECT_EQ(CSpreadSheet(file, QStringLiteral("Data"), false).GetTotalRows(), 5);

    ASSERT_TRUE(sheet.Commit());
    EXPECT_FALSE(sheet.GetTransactionStatus());
    CSpreadSheet reread(file, QStringLiteral("Data"), false);
    EXPECT_EQ(reread.GetTotalRows(), 6);
    EXPECT_EQ(allRows(reread)[1], QStringLiteral("r2-t|changed|r2-s"));
}

TEST_F(CSpreadSheetWorkbook, RollBackReturnsToTheFile)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    sheet.BeginTransaction();
    ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("gone")), 2));
    ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("Extra")}));
    ASSERT_TRUE(sheet.RollBack());
    EXPECT_FALSE(sheet.GetTransactionStatus());
    EXPECT_EQ(sheet.GetTotalRows(), 5);
    EXPECT_EQ(sheet.GetTotalColumns(), 3);
    QStringList names;
    sheet.GetFieldNames(names);
    EXPECT_EQ(names, header());
    EXPECT_EQ(allRows(sheet)[1], QStringLiteral("r2-t|r2-p|r2-s"));

    CSpreadSheet unsaved(path(QStringLiteral("none.xls")), QStringLiteral("S"), false);
    EXPECT_FALSE(unsaved.RollBack());
    EXPECT_EQ(unsaved.GetLastError(), QStringLiteral("Error in returning to previous state\n"));
}

TEST_F(CSpreadSheetWorkbook, BackupCopiesTheSheetIntoTheSameWorkbook)
{
    const QString file = fiveRows();
    {
        CSpreadSheet sheet(file, QStringLiteral("Data"), true);
        EXPECT_TRUE(sheet.GetBackupStatus());
        ASSERT_TRUE(sheet.AddRow(row(QStringLiteral("after")), 2, true));
    }
    const Workbook book = readBack(file);
    ASSERT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.sheet(1).name(), QStringLiteral("CSpreadSheetBackup"));
    CSpreadSheet backup(file, QStringLiteral("CSpreadSheetBackup"), false);
    EXPECT_EQ(allRows(backup)[1], QStringLiteral("r2-t|r2-p|r2-s"));
    CSpreadSheet data(file, QStringLiteral("Data"), false);
    EXPECT_EQ(allRows(data)[1], QStringLiteral("after-t|after-p|after-s"));

    // A backup sheet that holds an earlier backup is kept; the new backup is reported missing.
    CSpreadSheet again(file, QStringLiteral("Data"), true);
    EXPECT_FALSE(again.GetBackupStatus());
    EXPECT_EQ(again.GetTotalRows(), 5);
    CSpreadSheet backupAfter(file, QStringLiteral("CSpreadSheetBackup"), false);
    EXPECT_EQ(allRows(backupAfter)[1], QStringLiteral("r2-t|r2-p|r2-s"));
}

TEST_F(CSpreadSheetWorkbook, NoBackupOfASheetStillToBeMade)
{
    CSpreadSheet sheet(path(QStringLiteral("new.xls")), QStringLiteral("S"), true);
    ASSERT_TRUE(sheet.AddHeaders(header()));
    EXPECT_EQ(readBack(path(QStringLiteral("new.xls"))).sheetCount(), 1);
}

TEST_F(CSpreadSheetWorkbook, DeletedSheetIsEmptiedAndKeepsItsPlace)
{
    const QString file = path(QStringLiteral("three.xls"));
    for (const QString& name : {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}) {
        CSpreadSheet sheet(file, name, false);
        ASSERT_TRUE(sheet.AddHeaders({name}));
        ASSERT_TRUE(sheet.AddRow({name + QStringLiteral("-row")}));
    }
    {
        CSpreadSheet two(file, QStringLiteral("Two"), false);
        ASSERT_TRUE(two.DeleteSheet());
        EXPECT_EQ(two.GetTotalRows(), 0);
        EXPECT_EQ(two.GetTotalColumns(), 0);
    }
    CSpreadSheet two(file, QStringLiteral("Two"), false);
    EXPECT_EQ(two.GetTotalColumns(), 0);
    ASSERT_TRUE(two.AddHeaders({QStringLiteral("Again")}));
    ASSERT_TRUE(two.AddRow({QStringLiteral("again-row")}));

    const Workbook book = readBack(file);
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(1).name(), QStringLiteral("Two"));
    EXPECT_EQ(book.sheet(1).text(1, 0), QStringLiteral("again-row"));
    EXPECT_EQ(book.sheet(2).text(1, 0), QStringLiteral("Three-row"));

    CSpreadSheet one(file, QStringLiteral("One"), false);
    EXPECT_FALSE(one.DeleteSheet(QStringLiteral("Missing")));
    EXPECT_TRUE(one.GetLastError().contains(QStringLiteral("Missing")));
    EXPECT_EQ(one.GetTotalRows(), 2);
}

TEST_F(CSpreadSheetWorkbook, ReplaceRowsChangesTheMatchingRows)
{
    const QString file = fiveRows();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("r3-t"), QStringLiteral("other"), QStringLiteral("x")}));
    ASSERT_TRUE(sheet.ReplaceRows({QStringLiteral("R3"), QStringLiteral("P3")}, {QStringLiteral("r3-t")}));
    EXPECT_EQ(allRows(sheet)[2], QStringLiteral("R3|P3|r3-s"));
    EXPECT_EQ(allRows(sheet)[5], QStringLiteral("R3|P3|x"));
    EXPECT_EQ(allRows(sheet)[3], QStringLiteral("r4-t|r4-p|r4-s"));
}

TEST_F(CSpreadSheetWorkbook, QuotesInTextsAreStoredUnchanged)
{
    const QString file = path(QStringLiteral("quotes.xls"));
    const QStringList texts = {QStringLiteral("it's"), QStringLiteral("say \"hi\""), QStringLiteral("'")};
    {
        CSpreadSheet sheet(file, QStringLiteral("Q"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("O'Neil"), QStringLiteral("B"), QStringLiteral("C")}));
        ASSERT_TRUE(sheet.AddRow(texts)) << sheet.GetLastError().toStdString();
    }
    CSpreadSheet reread(file, QStringLiteral("Q"), false);
    QStringList cells;
    ASSERT_TRUE(reread.ReadRow(cells, 2));
    EXPECT_EQ(cells, texts);
    reread.GetFieldNames(cells);
    EXPECT_EQ(cells.first(), QStringLiteral("O'Neil"));
}

TEST_F(CSpreadSheetWorkbook, SeparatorInACellReadsBackAsTheLayerSplitsIt)
{
    const QString file = path(QStringLiteral("sep.xls"));
    {
        CSpreadSheet sheet(file, QStringLiteral("S"), false);
        ASSERT_TRUE(sheet.AddHeaders({QStringLiteral("A"), QStringLiteral("B")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral("x,;.?y"), QStringLiteral("z")}));
        ASSERT_TRUE(sheet.AddRow({QStringLiteral("p,;.?q")}));
    }
    CSpreadSheet reread(file, QStringLiteral("S"), false);
    QStringList cells;
    ASSERT_TRUE(reread.ReadRow(cells, 2));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("x,;.?y"), QStringLiteral("z")}));
    ASSERT_TRUE(reread.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("\"p"), QStringLiteral("q\"")}));
}

TEST_F(CSpreadSheetWorkbook, FailedCommitReportsAndLeavesTheFile)
{
    const QString file = fiveRows();
    const QByteArray before = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    CSpreadSheet sheet(file, QStringLiteral("Data"), false);
    EXPECT_FALSE(sheet.AddRow({QString(256, u'x')}));
    EXPECT_TRUE(sheet.GetLastError().contains(QStringLiteral("255")));
    EXPECT_EQ(sheet.GetTotalRows(), 6); // the attempted change stays in memory
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST_F(CSpreadSheetWorkbook, UnreadableFileIsNeverOverwritten)
{
    const QString file = path(QStringLiteral("notes.xls"));
    QFile text(file);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a workbook");
    text.close();
    CSpreadSheet sheet(file, QStringLiteral("S"), false);
    EXPECT_TRUE(sheet.GetLastError().contains(QStringLiteral("Cannot read")));
    EXPECT_FALSE(sheet.AddHeaders({QStringLiteral("A")}));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), QByteArray("not a workbook"));
}

TEST_F(CSpreadSheetWorkbook, RecordRowsGoBelowTheTemplateTitles)
{
    const QString file = newMonthFile();
    for (int n = 0; n < 3; ++n) {
        CSpreadSheet day(file, QStringLiteral("31"), false);
        EXPECT_EQ(day.GetTotalColumns(), 11);
        ASSERT_TRUE(day.AddRow(recordRow(n), 3)) << day.GetLastError().toStdString();
    }
    CSpreadSheet day(file, QStringLiteral("31"), false);
    EXPECT_EQ(day.GetTotalRows(), 5);
    QStringList names;
    day.GetFieldNames(names);
    EXPECT_EQ(names, QStringList(11, QString())); // row 1 is empty: blank field names
    QStringList cells;
    ASSERT_TRUE(day.ReadRow(cells, 2));
    EXPECT_EQ(cells, recordColumnTitles());
    ASSERT_TRUE(day.ReadRow(cells, 3));
    EXPECT_EQ(cells, recordRow(2)); // newest first
    ASSERT_TRUE(day.ReadRow(cells, 5));
    EXPECT_EQ(cells, recordRow(0));

    const Sheet& stored = readBack(file).sheet(31);
    EXPECT_EQ(stored.name(), QStringLiteral("31"));
    EXPECT_EQ(stored.columnWidths().size(), 11u);
    EXPECT_EQ(stored.style(1, 0), CellStyle::Heading);
    EXPECT_EQ(stored.style(2, 0), CellStyle::Plain);
}

TEST_F(CSpreadSheetWorkbook, CoverValuesKeepTheTitleAndMergedAreas)
{
    const QString file = newMonthFile();
    {
        CSpreadSheet cover(file, QStringLiteral("Cover"), false);
        EXPECT_EQ(cover.GetTotalColumns(), 9);
        EXPECT_EQ(cover.GetTotalRows(), 39);
        const QStringList values = {QString(), QStringLiteral("MX-3000"), QStringLiteral("V1.02"), QStringLiteral("2011-5")};
        for (int i = 0; i < values.size(); ++i)
            ASSERT_TRUE(cover.AddCell(values[i], QStringLiteral("D"), 36 + i)) << cover.GetLastError().toStdString();
    }
    const Workbook book = readBack(file);
    ASSERT_EQ(book.sheetCount(), 32);
    const Sheet& cover = book.sheet(0);
    EXPECT_EQ(cover.text(0, 0), QStringLiteral("Inverter History Data Management"));
    EXPECT_EQ(cover.style(0, 0), CellStyle::Title);
    EXPECT_EQ(cover.text(36, 3), QStringLiteral("MX-3000"));
    EXPECT_EQ(cover.text(38, 3), QStringLiteral("2011-5"));
    EXPECT_EQ(cover.text(37, 1), QStringLiteral("Software Version"));
    EXPECT_EQ(cover.merges(), makeRecordTemplate().sheet(0).merges());
}

} // namespace
} // namespace veltroma
