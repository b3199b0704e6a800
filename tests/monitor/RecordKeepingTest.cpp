#include "RecordSnapshot.h"

#include "monitor/DailyRecorder.h"
#include "monitor/MonthFile.h"
#include "monitor/RecordingLog.h"
#include "monitor/RowBacklog.h"
#include "storage/AtomicFile.h"
#include "storage/CSpreadSheet.h"
#include "storage/MonthWorkbook.h"
#include "storage/WorkbookStore.h"
#include "support/FileContent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace veltroma::test {
namespace {

const QStringList kValues{"350.2", "230.1", "50.01", "1500", "3.4", "120", "1234.5", "880", "41.5",
                          "Normal"};

QDateTime at(int year, int month, int day, int h, int m, int s = 0)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s));
}

// A program folder in a temporary directory, a recorder whose wall clock the test sets, and
// the snapshots the engine would hand over for replies at given times.
class RecordKeepingTest : public ::testing::Test {
protected:
    InverterModel reply(const QDateTime& when, int power = 1500) const
    {
        InverterModel m = recordSnapshot(folder(), when, kValues);
        m.NewRow[4] = QString::number(power);
        return m;
    }

    // Records a reply at `when`, with the wall clock standing at the same time.
    RecordingState recordAt(const QDateTime& when, int power = 1500)
    {
        wall_ = when;
        return recorder_.record(reply(when, power));
    }

    QString folder() const { return dir_.path() + u'/'; }
    QString dataDir() const { return dir_.path() + QStringLiteral("/Data"); }
    QString monthFile(const char* name) const { return dataDir() + QStringLiteral("/Inverter1/") + name; }

    // Column A of every data row of a day sheet, top (newest) first.
    static QStringList times(const QString& file, int day)
    {
        CSpreadSheet sheet(file, QString::number(day), false);
        QStringList out;
        for (long r = 3; r <= sheet.GetTotalRows(); ++r) {
            QStringList cells;
            if (sheet.ReadRow(cells, r))
                out << cells.value(0).trimmed();
        }
        return out;
    }

    QTemporaryDir dir_;
    QDateTime wall_;
    DailyRecorder recorder_{[this] { return wall_; }};
};

TEST_F(RecordKeepingTest, RowsStayInTheirOwnDayAcrossMidnightMonthEndAndTheThirtyFirst)
{
    // Every 180 s from 23:54 on 30 May to 00:06 on 1 June, with the whole of the 31st between.
    for (QDateTime t = at(2011, 5, 30, 23, 54); t <= at(2011, 6, 1, 0, 6); t = t.addSecs(180)) {
        const RecordingState state = recordAt(t);
        ASSERT_FALSE(state.failing) << state.reason.toStdString();
    }
    const QString may = monthFile("2011-5.xls");
    EXPECT_EQ(times(may, 30), (QStringList{"23:57:0", "23:54:0"}));
    EXPECT_EQ(times(may, 31).size(), 24 * 20);
    EXPECT_EQ(times(may, 31).first(), QStringLiteral("23:57:0"));
    EXPECT_EQ(times(may, 31).last(), QStringLiteral("0:0:0"));
    EXPECT_EQ(times(monthFile("2011-6.xls"), 1), (QStringList{"0:6:0", "0:3:0", "0:0:0"}));
}

TEST_F(RecordKeepingTest, ClockGoingBackOrForwardAnHourNeitherOverwritesNorDropsRows)
{
    // Back: 2:57, 3:00, then the clock shows 2:03 again and goes on.
    recordAt(at(2011, 10, 30, 2, 57));
    recordAt(at(2011, 10, 30, 3, 0));
    recordAt(at(2011, 10, 30, 2, 3));
    recordAt(at(2011, 10, 30, 2, 6));
    // Forward: 1:57 on the 27th, then 3:00.
    recordAt(at(2011, 3, 27, 1, 57));
    recordAt(at(2011, 3, 27, 3, 0));
    // Back across midnight into the day before.
    recordAt(at(2011, 10, 31, 0, 1));
    recordAt(at(2011, 10, 30, 23, 4));

    const QString october = monthFile("2011-10.xls");
    EXPECT_EQ(times(october, 30), (QStringList{"23:4:0", "2:6:0", "2:3:0", "3:0:0", "2:57:0"}));
    EXPECT_EQ(times(october, 31), QStringList{"0:1:0"});
    EXPECT_EQ(times(monthFile("2011-3.xls"), 27), (QStringList{"3:0:0", "1:57:0"}));
}

TEST_F(RecordKeepingTest, FailedSavesAreReportedAndTheirRowsWrittenInOrderOnceTheFolderIsBack)
{
    recordAt(at(2011, 5, 31, 23, 54));
    // The data folder replaced by a plain file: nothing can be written below it.
    ASSERT_TRUE(QDir(dataDir()).removeRecursively());
    writeContent(dataDir(), "not a folder");

    RecordingState state = recordAt(at(2011, 5, 31, 23, 57));
    EXPECT_TRUE(state.failing);
    EXPECT_EQ(state.failedFile, monthFile("2011-5.xls"));
    EXPECT_TRUE(state.reason.contains(QStringLiteral("is no folder"))) << state.reason.toStdString();
    EXPECT_EQ(state.keptRows, 1);
    state = recordAt(at(2011, 6, 1, 0, 0));
    state = recordAt(at(2011, 6, 1, 0, 3));
    EXPECT_TRUE(state.failing);
    EXPECT_EQ(state.keptRows, 3);
    EXPECT_EQ(recorder_.keptRows(), 3U);

    ASSERT_TRUE(QFile::remove(dataDir()));
    state = recordAt(at(2011, 6, 1, 0, 6));
    EXPECT_FALSE(state.failing) << state.reason.toStdString();
    EXPECT_EQ(state.keptRows, 0);
    EXPECT_EQ(state.lastRowAt, at(2011, 6, 1, 0, 6));
    // The row of 23:57 goes to May's 31st even though it is written in June.
    EXPECT_EQ(times(monthFile("2011-5.xls"), 31), QStringList{"23:57:0"});
    EXPECT_EQ(times(monthFile("2011-6.xls"), 1), (QStringList{"0:6:0", "0:3:0", "0:0:0"}));
    CSpreadSheet cover(monthFile("2011-5.xls"), QStringLiteral("Cover"), false);
    QString serial;
    ASSERT_TRUE(cover.ReadCell(serial, QStringLiteral("D"), 36));
    EXPECT_EQ(serial.trimmed(), QStringLiteral("SN0042"));
}

// Saves of more than `bytes` fail as on a full disk while it lives.
class FullDisk {
public:
    explicit FullDisk(qsizetype bytes) { setSaveFault(SaveFault{ENOSPC, bytes}); }
    ~FullDisk() { setSaveFault(std::nullopt); }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
};

TEST_F(RecordKeepingTest, AFullDiskIsReportedAndTheRowsFollowIntoTheirDaysOnceThereIsRoom)
{
    recordAt(at(2011, 5, 7, 23, 54));
    const QByteArray before = contentOf(monthFile("2011-5.xls"));
    RecordingState state;
    {
        const FullDisk full(1024);
        state = recordAt(at(2011, 5, 7, 23, 57));
        EXPECT_TRUE(state.failing);
        EXPECT_TRUE(state.reason.contains(QStringLiteral("No space left"))) << state.reason.toStdString();
        state = recordAt(at(2011, 5, 8, 0, 0));
    }
    EXPECT_TRUE(state.failing);
    EXPECT_EQ(state.keptRows, 2);
    EXPECT_EQ(contentOf(monthFile("2011-5.xls")), before) << "a failed save leaves the file as it was";

    state = recordAt(at(2011, 5, 8, 0, 3));
    EXPECT_FALSE(state.failing) << state.reason.toStdString();
    EXPECT_EQ(state.keptRows, 0);
    EXPECT_EQ(times(monthFile("2011-5.xls"), 7), (QStringList{"23:57:0", "23:54:0"}));
    EXPECT_EQ(times(monthFile("2011-5.xls"), 8), (QStringList{"0:3:0", "0:0:0"}));
}

TEST_F(RecordKeepingTest, ADamagedMonthFileIsKeptAsideByteForByteAndANewOneRecords)
{
    recordAt(at(2011, 5, 7, 9, 0));
    const QString file = monthFile("2011-5.xls");
    QByteArray garbage(20000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(QRandomGenerator::global()->generate());
    writeContent(file, garbage);

    const RecordingState state = recordAt(at(2011, 5, 7, 9, 3, 5));
    EXPECT_FALSE(state.failing) << state.reason.toStdString();
    const QString kept = monthFile("2011-5.unreadable-20110507-090305.xls");
    ASSERT_EQ(state.notices.size(), 1U);
    EXPECT_EQ(state.notices[0], (RecordingNotice{RecordingNotice::Kind::KeptAside, file, kept}));
    EXPECT_EQ(contentOf(kept), garbage);
    EXPECT_EQ(times(file, 7), QStringList{"9:3:5"});

    // Damaged again within the same second: the first kept file is not overwritten.
    writeContent(file, "plain text");
    recordAt(at(2011, 5, 7, 9, 3, 5));
    EXPECT_EQ(contentOf(kept), garbage);
    EXPECT_EQ(contentOf(monthFile("2011-5.unreadable-20110507-090305-2.xls")), QByteArray("plain text"));
}

TEST_F(RecordKeepingTest, AMonthWorkbookWithoutItsDaySheetsIsKeptAsideAndItsRowsCopiedIn)
{
    recordAt(at(2011, 5, 6, 22, 0));
    recordAt(at(2011, 5, 7, 9, 0));
    const QString file = monthFile("2011-5.xls");
    // Someone deleted the sheet of the 20th: readable, but no month file any more.
    {
        const Workbook book = WorkbookStore::shared().load(file).file->book;
        Workbook cut;
        for (int i = 0; i < book.sheetCount(); ++i)
            if (book.sheet(i).name() != QStringLiteral("20"))
                cut.appendSheet(book.sheet(i));
        ASSERT_FALSE(WorkbookStore::shared().save(file, cut));
    }
    ASSERT_TRUE(monthWorkbookProblem(file));

    const RecordingState state = recordAt(at(2011, 5, 7, 9, 3));
    ASSERT_EQ(state.notices.size(), 2U);
    EXPECT_EQ(state.notices[1].kind, RecordingNotice::Kind::CopiedIn);
    EXPECT_EQ(times(file, 6), QStringList{"22:0:0"});
    EXPECT_EQ(times(file, 7), (QStringList{"9:3:0", "9:0:0"}));
    EXPECT_EQ(monthWorkbookProblem(file), std::nullopt);
    CSpreadSheet cover(file, QStringLiteral("Cover"), false);
    QString yearMonth;
    ASSERT_TRUE(cover.ReadCell(yearMonth, QStringLiteral("D"), 39));
    EXPECT_EQ(yearMonth.trimmed(), QStringLiteral("2011-5"));
}

// A month file as an office program saves it after the user added a formula: the cover,
// the 31 day sheets, two rows on the 7th and a doubled power beside the newer one.
QByteArray monthWithFormula()
{
    const auto text = [](const QString& t) {
        return QStringLiteral("<table:table-cell office:value-type=\"string\"><text:p>%1</text:p></table:table-cell>")
            .arg(t);
    };
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>");
    xml += QStringLiteral("<table:table table:name=\"Cover\"><table:table-row table:number-rows-repeated=\"35\">"
                          "<table:table-cell/></table:table-row>");
    for (const char* value : {"SN0042", "VT-3000", "1.07", "2011-5"})
        xml += QStringLiteral("<table:table-row><table:table-cell table:number-columns-repeated=\"3\"/>") +
               text(QLatin1String(value)) + QStringLiteral("</table:table-row>");
    xml += QStringLiteral("</table:table>");
    for (int day = 1; day <= 31; ++day) {
        xml += QStringLiteral("<table:table table:name=\"%1\"><table:table-row><table:table-cell/></table:table-row>"
                              "<table:table-row>%2%3</table:table-row>")
                   .arg(day)
                   .arg(text(QStringLiteral("Hour:Minute")), text(QStringLiteral("DC oltage(V)")));
        if (day == 7) {
            xml += QStringLiteral("<table:table-row>") + text(QStringLiteral("9:3:0")) + text(QStringLiteral("1600")) +
                   QStringLiteral("<table:table-cell table:formula=\"of:=[.B3]*2\" office:value-type=\"float\" "
                                  "office:value=\"3200\"/></table:table-row>");
            xml += QStringLiteral("<table:table-row>") + text(QStringLiteral("9:0:0")) + text(QStringLiteral("1500")) +
                   QStringLiteral("</table:table-row>");
        }
        xml += QStringLiteral("</table:table>");
    }
    xml += QStringLiteral("</office:spreadsheet></office:body></office:document>");
    return xml.toUtf8();
}

TEST_F(RecordKeepingTest, AMonthFileWithAFormulaFromLibreOfficeIsKeptAsideAndItsRowsCopiedIn)
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString work = dir_.path() + QStringLiteral("/office");
    ASSERT_TRUE(QDir().mkpath(work));
    writeContent(work + QStringLiteral("/2011-5.fods"), monthWithFormula());
    QProcess convert;
    convert.start(office, {QStringLiteral("-env:UserInstallation=file://") + work + QStringLiteral("/profile"),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                           QStringLiteral("--outdir"), work, work + QStringLiteral("/2011-5.fods")});
    // LibreOffice's first start in a new profile takes a while on a loaded machine.
    ASSERT_TRUE(convert.waitForFinished(180000));
    const QByteArray saved = contentOf(work + QStringLiteral("/2011-5.xls"));
    ASSERT_FALSE(saved.isEmpty()) << convert.readAllStandardError().toStdString();
    ASSERT_TRUE(QDir().mkpath(dataDir() + QStringLiteral("/Inverter1")));
    const QString file = monthFile("2011-5.xls");
    writeContent(file, saved);

    const RecordingState state = recordAt(at(2011, 5, 7, 9, 6));
    EXPECT_FALSE(state.failing) << state.reason.toStdString();
    ASSERT_EQ(state.notices.size(), 2U);
    EXPECT_EQ(state.notices[0].kind, RecordingNotice::Kind::KeptAside);
    EXPECT_EQ(state.notices[1].kind, RecordingNotice::Kind::CopiedIn);
    EXPECT_EQ(contentOf(state.notices[0].detail), saved);
    EXPECT_EQ(times(file, 7), (QStringList{"9:6:0", "9:3:0", "9:0:0"}));
    CSpreadSheet day(file, QStringLiteral("7"), false);
    QStringList cells;
    ASSERT_TRUE(day.ReadRow(cells, 4));
    EXPECT_EQ(cells.mid(0, 3), (QStringList{"9:3:0", "1600", "3200"})) << "the formula's result, as text";
    CSpreadSheet cover(file, QStringLiteral("Cover"), false);
    QString serial;
    ASSERT_TRUE(cover.ReadCell(serial, QStringLiteral("D"), 36));
    EXPECT_EQ(serial.trimmed(), QStringLiteral("SN0042"));
}

TEST_F(RecordKeepingTest, AnOfficeLockFileIsWarnedAboutOnceWhileRecordingGoesOn)
{
    recordAt(at(2011, 5, 7, 9, 0));
    const QString lock = monthFile(".~lock.2011-5.xls#");
    writeContent(lock, "user,host");
    RecordingState state = recordAt(at(2011, 5, 7, 9, 3));
    ASSERT_EQ(state.notices.size(), 1U);
    EXPECT_EQ(state.notices[0].kind, RecordingNotice::Kind::OfficeLock);
    EXPECT_EQ(state.notices[0].detail, lock);
    EXPECT_TRUE(recordAt(at(2011, 5, 7, 9, 6)).notices.empty());

    // Closed, then opened in the other program: warned again.
    QFile::remove(lock);
    EXPECT_TRUE(recordAt(at(2011, 5, 7, 9, 9)).notices.empty());
    writeContent(monthFile("~$2011-5.xls"), "owner");
    EXPECT_EQ(recordAt(at(2011, 5, 7, 9, 12)).notices.size(), 1U);
    EXPECT_EQ(times(monthFile("2011-5.xls"), 7).size(), 5);
}

TEST(RowBacklogTest, KeepsTheNewestRowsAndCountsTheDroppedOnes)
{
    RowBacklog backlog(3);
    const auto row = [](int day, int minute) {
        PendingRow r;
        r.paths = LoadDataSet(QStringLiteral("/pv/"), at(2011, 5, day, 9, minute), 1);
        r.row = {r.paths.sExcelColumA};
        return r;
    };
    backlog.push(row(7, 0));
    backlog.push(row(8, 0));
    backlog.push(row(7, 3));
    backlog.push(row(8, 3));
    backlog.push(row(8, 6));
    EXPECT_EQ(backlog.size(), 3U);
    EXPECT_EQ(backlog.takeDropped(), 2U);
    EXPECT_EQ(backlog.takeDropped(), 0U);
    const auto rows = backlog.rowsOf(QStringLiteral("/pv/Data/Inverter1/2011-5.xls"));
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].paths.sExcelShellName, QStringLiteral("7")) << "the 7th: only 9:3 is left";
    EXPECT_EQ(rows[0].row, QStringList{"9:3:0"});
    EXPECT_EQ(rows[1].paths.sExcelShellName, QStringLiteral("8"));
    EXPECT_EQ(rows[2].row, QStringList{"9:6:0"});
    backlog.remove(QStringLiteral("/pv/Data/Inverter1/2011-5.xls"));
    EXPECT_TRUE(backlog.empty());
    EXPECT_EQ(RowBacklog::kCapacityRows, 3360U) << "seven days of rows every 180 s";
}

TEST(RecordingLogTest, SaysAFailureOnceAndItsEndOnce)
{
    RecordingLog log;
    RecordingState ok;
    RecordingState failing;
    failing.failing = true;
    failing.failedFile = QStringLiteral("/pv/2011-5.xls");
    failing.reason = QStringLiteral("disk full");
    EXPECT_TRUE(log.linesFor(ok).isEmpty());
    EXPECT_EQ(log.linesFor(failing), QStringList{"recording failed: /pv/2011-5.xls: disk full"});
    EXPECT_TRUE(log.linesFor(failing).isEmpty());
    EXPECT_EQ(log.linesFor(ok), QStringList{"recording resumed"});
    EXPECT_TRUE(log.linesFor(ok).isEmpty());

    ok.notices.push_back({RecordingNotice::Kind::BacklogFull, QStringLiteral("/pv/2011-5.xls"), "4"});
    const QStringList lines = log.linesFor(ok);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("recording: 4 kept rows dropped")));
}

} // namespace
} // namespace veltroma::test
