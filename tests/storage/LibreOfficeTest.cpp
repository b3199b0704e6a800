#include "StorageTestSupport.h"

#include "storage/CSpreadSheet.h"
#include "storage/MonthWorkbook.h"
#include "storage/NumberText.h"
#include "storage/RowBatch.h"
#include "storage/XlsReader.h"

#include <QDir>

#include <freexl.h>

#include <memory>

namespace veltroma {
namespace {

using test::recordRow;

// LibreOffice as a second, independent program: it writes workbooks for us to read, and
// reads ours. Skipped where it is not installed.
class LibreOffice : public test::StorageTest {
protected:
    void SetUp() override
    {
        test::StorageTest::SetUp();
        m_soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (m_soffice.isEmpty())
            GTEST_SKIP() << "LibreOffice is not installed";
    }

    // Converts `source` with the given filter into the test folder.
    void convert(const QString& source, const QString& filter)
    {
        const test::ProcessResult run = test::runProcess(
            m_soffice, {QStringLiteral("-env:UserInstallation=file://") + path(QStringLiteral("profile")),
                        QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                        QStringLiteral("--outdir"), m_folder.path(), source});
        ASSERT_TRUE(run.finished && run.exitCode == 0) << run.err.toStdString();
    }

    QString workbookFromCsv(const QString& name, const QByteArray& csv)
    {
        QFile file(path(name + QStringLiteral(".csv")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(csv);
        file.close();
        convert(file.fileName(), QStringLiteral("xls"));
        QFile::remove(file.fileName());
        return path(name + QStringLiteral(".xls"));
    }

    QString m_soffice;
};

TEST_F(LibreOffice, WorkbookItWroteIsRead)
{
    const QString file = workbookFromCsv(QStringLiteral("day"),
                                         "Hour:Minute,DC oltage(V),AC Power (W),Inverter Status\n"
                                         "9:5:3,230.5,1200,Normal\n"
                                         "12:15:30,231.25,-3,\"it's \"\"odd\"\"\"\n"
                                         "13:0:0,,0.001,\n");
    QFile bytes(file);
    ASSERT_TRUE(bytes.open(QIODevice::ReadOnly));
    const auto read = readXlsWorkbook(QFile::encodeName(file), bytes.readAll());
    ASSERT_TRUE(std::holds_alternative<ReadWorkbook>(read));
    EXPECT_EQ(std::get<ReadWorkbook>(read).encoded, nullptr) << "another writer's encoding is never taken over";

    CSpreadSheet sheet(file, QStringLiteral("day"), false);
    ASSERT_EQ(sheet.GetTotalRows(), 4) << sheet.GetLastError().toStdString();
    ASSERT_EQ(sheet.GetTotalColumns(), 4);
    QStringList cells;
    sheet.GetFieldNames(cells);
    EXPECT_EQ(cells, (QStringList{QStringLiteral("Hour:Minute"), QStringLiteral("DC oltage(V)"),
                                  QStringLiteral("AC Power (W)"), QStringLiteral("Inverter Status")}));
    ASSERT_TRUE(sheet.ReadRow(cells, 2));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("9:5:3"), QStringLiteral("230.5"), QStringLiteral("1200"),
                                  QStringLiteral("Normal")}));
    ASSERT_TRUE(sheet.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("12:15:30"), QStringLiteral("231.25"), QStringLiteral("-3"),
                                  QStringLiteral("it's \"odd\"")}));
    ASSERT_TRUE(sheet.ReadRow(cells, 4));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("13:0:0"), QString(), QStringLiteral("0.001"), QString()}));

    // Such a workbook takes new rows; what was there reads the same afterwards.
    ASSERT_TRUE(sheet.AddRow({QStringLiteral("14:0:0"), QStringLiteral("1")}, 3)) << sheet.GetLastError().toStdString();
    CSpreadSheet reread(file, QStringLiteral("day"), false);
    ASSERT_EQ(reread.GetTotalRows(), 5);
    ASSERT_TRUE(reread.ReadRow(cells, 4));
    EXPECT_EQ(cells[3], QStringLiteral("it's \"odd\""));
    ASSERT_TRUE(reread.ReadRow(cells, 3));
    EXPECT_EQ(cells, (QStringList{QStringLiteral("14:0:0"), QStringLiteral("1"), QString(), QString()}));
}

TEST_F(LibreOffice, FormulaResultsAreReadAndNeverOverwritten)
{
    const QString file = workbookFromCsv(QStringLiteral("sums"), "A,B\n=2*21,x\n=1/4,y\n");
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();

    CSpreadSheet sheet(file, QStringLiteral("sums"), false);
    QString cell;
    ASSERT_TRUE(sheet.ReadCell(cell, 1, 2));
    EXPECT_EQ(cell, QStringLiteral("42"));
    ASSERT_TRUE(sheet.ReadCell(cell, 1, 3));
    EXPECT_EQ(cell, QStringLiteral("0.25"));
    EXPECT_FALSE(sheet.AddRow({QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_TRUE(sheet.GetLastError().contains(QStringLiteral("formulas")));
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

// A month file an office program saved with a formula: it reads, so its rows can be copied
// into a new file, but it is never written back.
TEST_F(LibreOffice, WorkbookWithAFormulaIsReadableButNotKept)
{
    const QString file = workbookFromCsv(QStringLiteral("12"), "A,B\n=2*21,x\n9:5:3,1200\n");
    const WorkbookCheck check = checkWorkbook(file);
    EXPECT_EQ(check.fitness, WorkbookFitness::NotKeepable);
    EXPECT_TRUE(check.reason.contains(QStringLiteral("formulas"))) << check.reason.toStdString();
    EXPECT_TRUE(monthWorkbookProblem(file).has_value());

    const auto read = readMonthText(file);
    ASSERT_TRUE(std::holds_alternative<MonthText>(read));
    // Its one sheet is named as the file, so it reads as day 12 from row 3 on.
    const auto& days = std::get<MonthText>(read).days;
    ASSERT_EQ(days.size(), 1U);
    ASSERT_EQ(days.at(12).size(), 1U);
    EXPECT_EQ(days.at(12).front()[1], QStringLiteral("1200"));

    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const auto error = insertRowsAt(file, std::vector<SheetRow>{{QStringLiteral("12"), recordRow(1)}}, 3);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(QStringLiteral("formulas")));
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

// FreeXL as an independent reader of every cell: what it reads raw, as the spreadsheet layer
// words numbers. Empty for a cell it holds nothing in.
QString freeXlText(const void* handle, unsigned int row, unsigned short column)
{
    FreeXL_CellValue value;
    if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK)
        return QStringLiteral("<unreadable>");
    switch (value.type) {
    case FREEXL_CELL_INT:
        return QString::number(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(value.value.double_value);
    case FREEXL_CELL_NULL:
        return {};
    default:
        return QString::fromUtf8(value.value.text_value);
    }
}

// Numbers of every kind it stores (small and large integers, decimals, hundredths, negative,
// percentages, exponents), booleans, dates and times, texts: every cell reads as FreeXL reads it.
TEST_F(LibreOffice, EveryCellReadsAsAnotherReaderReadsIt)
{
    const QString file = workbookFromCsv(
        QStringLiteral("kinds"),
        "Hour:Minute,1,-3,230.5,0.01,-0.25,123456789,1234567890123,1e20,3.14159265358979\n"
        "TRUE,FALSE,2024-03-05,09:05:03,2024-03-05 09:05:03,50%,1.5E-7,-1200,,\"text, with comma\"\n"
        "12.34,1234.56,-99999.99,0,536870911,536870912,-536870912,0.1,0.2,0.3\n");
    const auto loaded = WorkbookStore::shared().load(file);
    ASSERT_TRUE(loaded.file) << loaded.error.toStdString();
    const Sheet& ours = loaded.file->book.sheet(0);

    const void* raw = nullptr;
    ASSERT_EQ(freexl_open(QFile::encodeName(file).constData(), &raw), FREEXL_OK);
    const std::unique_ptr<const void, int (*)(const void*)> handle(raw, freexl_close);
    ASSERT_EQ(freexl_select_active_worksheet(raw, 0), FREEXL_OK);
    unsigned int rows = 0;
    unsigned short columns = 0;
    ASSERT_EQ(freexl_worksheet_dimensions(raw, &rows, &columns), FREEXL_OK);
    ASSERT_EQ(rows, 3U);
    ASSERT_EQ(columns, 10U);
    EXPECT_EQ(ours.usedRows(), 3);
    EXPECT_EQ(ours.usedColumns(), 10);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c)
            EXPECT_EQ(ours.text(static_cast<int>(r), c), freeXlText(raw, r, c)) << r << "," << c;
    }
    EXPECT_EQ(ours.text(1, 2), QStringLiteral("2024-03-05"));
    EXPECT_EQ(ours.text(0, 3), QStringLiteral("230.5"));
}

// A month file saved again by an office program: its own string table (cut at other places),
// numbers, styles; every cell of every sheet reads as in our file.
TEST_F(LibreOffice, MonthFileItSavedAgainReadsTheSame)
{
    const QString ours = newMonthFile();
    {
        CSpreadSheet day(ours, QStringLiteral("12"), false);
        day.BeginTransaction();
        for (int n = 0; n < 600; ++n)
            ASSERT_TRUE(day.AddRow(recordRow(n, QStringLiteral("状态 %1").arg(n))));
        ASSERT_TRUE(day.Commit());
    }
    QDir(m_folder.path()).mkdir(QStringLiteral("again"));
    const test::ProcessResult run = test::runProcess(
        m_soffice, {QStringLiteral("-env:UserInstallation=file://") + path(QStringLiteral("profile")),
                    QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                    QStringLiteral("--outdir"), path(QStringLiteral("again")), ours});
    ASSERT_TRUE(run.finished && run.exitCode == 0) << run.err.toStdString();

    const Workbook mine = readBack(ours);
    const Workbook theirs = readBack(path(QStringLiteral("again/2011-5.xls")));
    ASSERT_EQ(theirs.sheetCount(), mine.sheetCount());
    for (int i = 0; i < mine.sheetCount(); ++i) {
        const Sheet& a = mine.sheet(i);
        const Sheet& b = theirs.sheet(i);
        ASSERT_EQ(b.name(), a.name());
        for (int r = 0; r < a.usedRows(); ++r) {
            for (int c = 0; c < a.usedColumns(); ++c)
                ASSERT_EQ(b.text(r, c), a.text(r, c)) << a.name().toStdString() << " " << r << "," << c;
        }
    }
    EXPECT_EQ(theirs.sheet(12).text(601, 10), QStringLiteral("状态 599"));
}

TEST_F(LibreOffice, OpensOurMonthFile)
{
    const QString file = newMonthFile();
    {
        CSpreadSheet cover(file, QStringLiteral("Cover"), false);
        ASSERT_TRUE(cover.AddCell(QStringLiteral("2011-5"), QStringLiteral("D"), 39));
        CSpreadSheet day(file, QStringLiteral("31"), false);
        ASSERT_TRUE(day.AddRow(recordRow(1, QStringLiteral("it's fine")), 3));
        ASSERT_TRUE(day.AddRow(recordRow(2), 3));
        // Enough distinct texts that the shared string table continues over several records.
        CSpreadSheet full(file, QStringLiteral("30"), false);
        full.BeginTransaction();
        for (int n = 0; n < 400; ++n)
            ASSERT_TRUE(full.AddRow(recordRow(1000 + n)));
        ASSERT_TRUE(full.Commit());
    }
    // Every sheet as its own text file.
    convert(file, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"));
    const auto lines = [&](const QString& sheet) {
        QFile csv(path(QStringLiteral("2011-5-%1.csv").arg(sheet)));
        EXPECT_TRUE(csv.open(QIODevice::ReadOnly)) << sheet.toStdString();
        return QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    };
    const QStringList cover = lines(QStringLiteral("Cover"));
    ASSERT_EQ(cover.size(), 39);
    EXPECT_TRUE(cover[0].startsWith(QStringLiteral("Inverter History Data Management")));
    EXPECT_TRUE(cover[38].startsWith(QStringLiteral(",Year-Month,,2011-5")));
    const QStringList day31 = lines(QStringLiteral("31"));
    ASSERT_EQ(day31.size(), 4);
    EXPECT_EQ(day31[1], recordColumnTitles().join(u','));
    EXPECT_EQ(day31[2], recordRow(2).join(u','));
    EXPECT_EQ(day31[3], recordRow(1, QStringLiteral("it's fine")).join(u','));
    EXPECT_EQ(lines(QStringLiteral("1")).size(), 2);
    const QStringList day30 = lines(QStringLiteral("30"));
    ASSERT_EQ(day30.size(), 402);
    for (int n = 0; n < 400; ++n)
        ASSERT_EQ(day30[2 + n], recordRow(1000 + n).join(u',')) << n;
}

} // namespace
} // namespace veltroma
