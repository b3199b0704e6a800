#include "RecordSnapshot.h"

#include "monitor/DailyRecorder.h"
#include "monitor/HistoryReader.h"
#include "storage/CSpreadSheet.h"
#include "storage/WorkbookStore.h"
#include "support/ScriptedPrompt.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stop_token>
#include <vector>

namespace veltroma::test {
namespace {

struct Point {
    int channel;
    double x;
    double y;
};

class RecordingPlot final : public HistoryPlot {
public:
    void addPoint(int channel, double x, double y) override { points.push_back({channel, x, y}); }
    void setXSpan(double days) override { span = days; }
    void setDateTimeFormat(const QString& text) override { format = text; }

    [[nodiscard]] std::vector<Point> channel(int q) const
    {
        std::vector<Point> out;
        for (const Point& p : points)
            if (p.channel == q)
                out.push_back(p);
        return out;
    }

    std::vector<Point> points;
    double span = 0.0;
    QString format;
};

class RecordingTest : public ::testing::Test {
protected:
    // The snapshot the engine would hand over for a reply at `when` with the values given.
    InverterModel snapshot(const QDateTime& when, const QStringList& values) const
    {
        return recordSnapshot(folder(), when, values);
    }

    QString folder() const { return dir_.path() + u'/'; }

    static QStringList readRow(const QString& file, const QString& sheet, long row)
    {
        CSpreadSheet s(file, sheet, false);
        QStringList cells;
        EXPECT_TRUE(s.ReadRow(cells, row)) << s.GetLastError().toStdString();
        for (QString& c : cells)
            c = c.trimmed();
        return cells;
    }

    static long rows(const QString& file, const QString& sheet)
    {
        return CSpreadSheet(file, sheet, false).GetTotalRows();
    }

    QTemporaryDir dir_;
};

const QStringList kValues{"350.2", "230.1", "50.01", "1500", "3.4", "120", "1234.5", "880", "41.5",
                          "Normal"};

QDateTime at(int year, int month, int day, int h, int m, int s)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s));
}

TEST_F(RecordingTest, FirstEventWritesTheCoverAndTheRowThenRowsGoOnTopNewestFirst)
{
    DailyRecorder recorder;
    const InverterModel first = snapshot(at(2011, 5, 7, 9, 5, 3), kValues);
    const QString file = first.paths.sWriteExcelPath;
    EXPECT_TRUE(file.endsWith(QStringLiteral("/Data/Inverter1/2011-5.xls"))) << file.toStdString();

    const RecordingState state = recorder.record(first);
    EXPECT_FALSE(state.failing);
    EXPECT_EQ(state.lastRowAt, first.paths.recordedAt);
    EXPECT_EQ(state.keptRows, 0);
    ASSERT_TRUE(QFileInfo::exists(file));
    CSpreadSheet cover(file, QStringLiteral("Cover"), false);
    QString cell;
    const QStringList expected{"SN0042", "VT-3000", "1.07", "2011-5"};
    for (int i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(cover.ReadCell(cell, QStringLiteral("D"), 36 + i));
        EXPECT_EQ(cell.trimmed(), expected[i]);
    }
    EXPECT_EQ(rows(file, QStringLiteral("7")), 3) << "the cover event writes its row too";
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 3), first.NewRow);

    InverterModel second = snapshot(at(2011, 5, 7, 9, 8, 3), kValues);
    second.NewRow[4] = QStringLiteral("1600");
    InverterModel third = snapshot(at(2011, 5, 7, 9, 11, 3), kValues);
    third.NewRow[4] = QStringLiteral("1700");
    recorder.record(second);
    recorder.record(third);
    // No new reply between two events: the same row is written again.
    recorder.record(third);

    EXPECT_EQ(rows(file, QStringLiteral("7")), 6);
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 3), third.NewRow);
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 4), third.NewRow);
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 5), second.NewRow);
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 6), first.NewRow);
    EXPECT_EQ(readRow(file, QStringLiteral("7"), 2).value(0), QStringLiteral("Hour:Minute"));

    // Restarting the program rewrites the cover and adds its row to those already there.
    DailyRecorder restarted;
    ASSERT_TRUE(LoadDataExecute(third.paths));
    restarted.record(third);
    EXPECT_EQ(rows(file, QStringLiteral("7")), 7);
}

TEST_F(RecordingTest, LastDayOfMonthAndFaultRowsLandInTheirSheets)
{
    DailyRecorder recorder;
    recorder.record(snapshot(at(2011, 5, 31, 23, 50, 0), kValues));
    QStringList fault = kValues;
    fault.last() = QStringLiteral("Grid fault 'F03'");
    const InverterModel row = snapshot(at(2011, 5, 31, 23, 53, 0), fault);
    recorder.record(row);
    // A state outside 0..3 leaves the row without a status cell.
    const InverterModel shortRow = snapshot(at(2011, 5, 31, 23, 56, 0), kValues.mid(0, 9));
    recorder.record(shortRow);

    const QString file = row.paths.sWriteExcelPath;
    EXPECT_EQ(rows(file, QStringLiteral("31")), 5);
    EXPECT_EQ(rows(file, QStringLiteral("30")), 2);
    EXPECT_EQ(readRow(file, QStringLiteral("31"), 4), row.NewRow);
    EXPECT_EQ(readRow(file, QStringLiteral("31"), 4).value(10), QStringLiteral("Grid fault 'F03'"));
    EXPECT_EQ(readRow(file, QStringLiteral("31"), 3).mid(0, 10), shortRow.NewRow);
    EXPECT_TRUE(readRow(file, QStringLiteral("31"), 3).value(10).isEmpty());
}

TEST_F(RecordingTest, ChangeOfMonthWritesTheNewCoverAndLosesNoRow)
{
    DailyRecorder recorder;
    recorder.record(snapshot(at(2011, 5, 31, 23, 57, 0), kValues));
    // Built from the reply of 23:59:58 and saved after midnight: still the 31st of May.
    const InverterModel lastOfMay = snapshot(at(2011, 5, 31, 23, 59, 58), kValues);
    recorder.record(lastOfMay);
    const InverterModel june = snapshot(at(2011, 6, 1, 0, 2, 0), kValues);
    recorder.record(june);
    EXPECT_EQ(recorder.writeExcelPathOld(), june.paths.sWriteExcelPath);
    EXPECT_EQ(rows(june.paths.sWriteExcelPath, QStringLiteral("1")), 3);
    EXPECT_EQ(readRow(june.paths.sWriteExcelPath, QStringLiteral("1"), 3), june.NewRow);
    EXPECT_EQ(readRow(lastOfMay.paths.sWriteExcelPath, QStringLiteral("31"), 3), lastOfMay.NewRow);
    CSpreadSheet cover(june.paths.sWriteExcelPath, QStringLiteral("Cover"), false);
    QString yearMonth;
    ASSERT_TRUE(cover.ReadCell(yearMonth, QStringLiteral("D"), 39));
    EXPECT_EQ(yearMonth.trimmed(), QStringLiteral("2011-6"));
}

TEST_F(RecordingTest, NothingIsWrittenBeforeTheFirstReply)
{
    DailyRecorder recorder;
    InverterModel none = snapshot(at(2011, 5, 7, 9, 0, 0), kValues);
    none.realtimeDecoded = false;
    recorder.record(none);
    EXPECT_FALSE(QFileInfo::exists(none.paths.sWriteExcelPath));
    EXPECT_TRUE(recorder.writeExcelPathOld().isEmpty());
}

TEST(HistoryX, TimeOfDayIsAFractionOfTheDay)
{
    // In hours after the day's start: 9:5:3 is 9.0842 h, 12:15:30 is 12.2583 h.
    EXPECT_NEAR((historyX(7, 9, 5, 3) - 8) * 24, 9.0842, 1e-4);
    EXPECT_NEAR((historyX(12, 12, 15, 30) - 13) * 24, 12.2583, 1e-4);
    EXPECT_DOUBLE_EQ(historyX(1, 0, 0, 0), 2.0);
}

class HistoryTest : public RecordingTest {
protected:
    // Records rows at the given times of 7 May 2011 with Pac = 1000 + index; returns the file.
    QString recordDay(const std::vector<QTime>& times, int month = 5)
    {
        DailyRecorder recorder;
        QString file;
        for (std::size_t i = 0; i < times.size(); ++i) {
            InverterModel m = snapshot(QDateTime(QDate(2011, month, 7), times[i]), kValues);
            m.NewRow[4] = QString::number(1001 + static_cast<int>(i));
            recorder.record(m);
            file = m.paths.sWriteExcelPath;
        }
        return file;
    }

    RecordingPlot plot_;
    ScriptedPrompt prompt_;
    HistoryReader reader_{plot_};
};

TEST_F(HistoryTest, OneDayIsPlottedOldestFirstOnePointPerCell)
{
    const QString file = recordDay({QTime(9, 5, 3), QTime(9, 12, 30)});
    reader_.ReadFile(file, QStringLiteral("7"), HistoryReader::Mode::OneDay);

    EXPECT_EQ(reader_.excelFileName(), QStringLiteral("2011-5"));
    EXPECT_EQ(plot_.format, QStringLiteral("2011-5-d h:nn:ss"));
    EXPECT_DOUBLE_EQ(plot_.span, 31.0);
    const int columns = CSpreadSheet(file, QStringLiteral("7"), false).GetTotalColumns();
    ASSERT_GE(columns, 11);
    const auto pac = plot_.channel(3);
    ASSERT_EQ(pac.size(), static_cast<std::size_t>(2 * columns));
    EXPECT_EQ(plot_.points.size(), pac.size() * kHistoryChannels);

    // The oldest row first; its Pac shows from the point after column E on.
    EXPECT_NEAR(pac[0].x, historyX(7, 9, 5, 3), 1e-9);
    EXPECT_DOUBLE_EQ(pac[3].y, 0.0);
    EXPECT_DOUBLE_EQ(pac[4].y, 1001.0);
    // The newer row starts with the older value until its own cell.
    EXPECT_NEAR(pac[columns].x, historyX(7, 9, 12, 30), 1e-9);
    EXPECT_DOUBLE_EQ(pac[columns + 3].y, 1001.0);
    EXPECT_DOUBLE_EQ(pac[columns + 4].y, 1002.0);
    EXPECT_DOUBLE_EQ(plot_.channel(2).back().y, 50.01F);
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(HistoryTest, RowsMoreThanNineMinutesApartAreNotJoined)
{
    // 540 s apart stays one line; 541 s is a break, and so is the night between two days.
    const QString file = recordDay({QTime(9, 0, 0), QTime(9, 9, 0), QTime(9, 18, 1)});
    {
        DailyRecorder nextDay;
        nextDay.record(snapshot(at(2011, 5, 8, 7, 0, 0), kValues));
    }
    reader_.ReadFile(file, QStringLiteral("7"), HistoryReader::Mode::OneDay);
    const auto breaksIn = [](const std::vector<Point>& points) {
        std::vector<double> xs;
        for (const Point& p : points)
            if (std::isnan(p.y))
                xs.push_back(p.x);
        return xs;
    };
    const auto oneDay = breaksIn(plot_.channel(3));
    ASSERT_EQ(oneDay.size(), 1U);
    // One second after the older row, so that its step does not run on into the gap.
    EXPECT_NEAR(oneDay[0], historyX(7, 9, 9, 1), 1e-9);
    EXPECT_EQ(plot_.points.size() % kHistoryChannels, 0U) << "every channel breaks alike";

    plot_.points.clear();
    reader_.ReadFile(file, QStringLiteral("0"), HistoryReader::Mode::WholeMonth);
    const auto month = breaksIn(plot_.channel(0));
    ASSERT_EQ(month.size(), 2U);
    EXPECT_GT(month[1], historyX(7, 9, 18, 1));
    EXPECT_LT(month[1], historyX(8, 7, 0, 0));
}

TEST_F(HistoryTest, OnlyWorkbooksWithTheMonthSheetsPassTheCheck)
{
    const QString month = recordDay({QTime(9, 0, 0)});
    EXPECT_EQ(checkMonthFile(month), std::nullopt);

    const QString empty = folder() + QStringLiteral("2011-5.xls");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_EQ(checkMonthFile(empty), MonthFileProblem::Empty);

    const QString text = folder() + QStringLiteral("2011-6.xls");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Hour:Minute,AC Power\n9:0:0,1500\n");
    }
    EXPECT_EQ(checkMonthFile(text), MonthFileProblem::NotAWorkbook);
    EXPECT_EQ(checkMonthFile(folder() + QStringLiteral("2011-7.xls")), MonthFileProblem::NotAWorkbook);

    const QString other = folder() + QStringLiteral("2011-8.xls");
    CSpreadSheet sheet(other, QStringLiteral("Prices"), false);
    ASSERT_TRUE(sheet.AddHeaders({"Item", "Price"}));
    ASSERT_TRUE(sheet.AddRow({"panel", "120"}));
    EXPECT_EQ(checkMonthFile(other), MonthFileProblem::NotAMonthFile);
}

TEST_F(HistoryTest, EmptySheetAndMissingFilePlotNothingAndShowNothing)
{
    const QString file = recordDay({QTime(9, 5, 3)});
    reader_.ReadFile(file, QStringLiteral("8"), HistoryReader::Mode::OneDay);
    EXPECT_TRUE(plot_.points.empty());

    const QString missing = folder() + QStringLiteral("Data/Inverter1/2011-4.xls");
    reader_.ReadFile(missing, QStringLiteral("7"), HistoryReader::Mode::OneDay);
    reader_.ReadFile(missing, QStringLiteral("0"), HistoryReader::Mode::WholeMonth);
    EXPECT_TRUE(plot_.points.empty());
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_FALSE(QFileInfo::exists(missing)) << "reading must not create the file";
}

TEST_F(HistoryTest, TwoMonthFilesAddUp)
{
    const QString may = recordDay({QTime(9, 5, 3), QTime(9, 8, 3)}, 5);
    const QString june = recordDay({QTime(10, 0, 0)}, 6);
    reader_.ReadFile(may, QStringLiteral("0"), HistoryReader::Mode::WholeMonth);
    const std::size_t afterMay = plot_.points.size();
    reader_.ReadFile(june, QStringLiteral("0"), HistoryReader::Mode::WholeMonth);

    EXPECT_GT(afterMay, 0U);
    EXPECT_EQ(plot_.points.size(), afterMay * 3 / 2);
    EXPECT_EQ(reader_.excelFileName(), QStringLiteral("2011-6"));
}

TEST_F(HistoryTest, CellsBeyondTheRecordColumnsAddNoPoints)
{
    const QString file = recordDay({QTime(9, 5, 3), QTime(9, 8, 3)});
    {
        // A cell at the last column (IV) of the older row, as a file written elsewhere may hold.
        WorkbookStore& store = WorkbookStore::shared();
        auto loaded = store.load(file);
        ASSERT_TRUE(loaded.file);
        Workbook book = loaded.file->book;
        const auto day = book.findSheet(QStringLiteral("7"));
        ASSERT_TRUE(day);
        book.editSheet(*day).setText(3, kMaxSheetColumns - 1, QStringLiteral("far"));
        ASSERT_EQ(store.save(file, book), std::nullopt);
    }
    ASSERT_EQ(CSpreadSheet(file, QStringLiteral("7"), false).GetTotalColumns(), kMaxSheetColumns);

    EXPECT_EQ(reader_.ReadFile(file, QStringLiteral("7"), HistoryReader::Mode::OneDay),
              HistoryReadEnd::Complete);
    for (int q = 0; q < kHistoryChannels; ++q)
        EXPECT_EQ(plot_.channel(q).size(), static_cast<std::size_t>(2 * kRecordColumns));
    EXPECT_DOUBLE_EQ(plot_.channel(3).back().y, 1002.0);
}

TEST_F(HistoryTest, AStopTakesEffectBeforeTheNextRow)
{
    const QString file = recordDay({QTime(9, 0, 0), QTime(9, 3, 0), QTime(9, 6, 0)});
    std::stop_source source;
    std::vector<int> told;
    const HistoryReadProgress stopAtOnce = [&](int permille) {
        told.push_back(permille);
        source.request_stop();
    };
    // Told before the first row; the row in hand is finished, the next is not begun.
    EXPECT_EQ(reader_.ReadFile(file, QStringLiteral("7"), HistoryReader::Mode::OneDay,
                               source.get_token(), stopAtOnce),
              HistoryReadEnd::Stopped);
    EXPECT_EQ(told, std::vector<int>{0});
    EXPECT_EQ(plot_.channel(0).size(), static_cast<std::size_t>(kRecordColumns));

    plot_.points.clear();
    EXPECT_EQ(reader_.ReadFile(file, QStringLiteral("0"), HistoryReader::Mode::WholeMonth,
                               source.get_token()),
              HistoryReadEnd::Stopped);
    EXPECT_TRUE(plot_.points.empty());

    // Unstopped, the share read grows to the whole.
    told.clear();
    const HistoryReadProgress record = [&](int permille) { told.push_back(permille); };
    EXPECT_EQ(reader_.ReadFile(file, QStringLiteral("0"), HistoryReader::Mode::WholeMonth, {}, record),
              HistoryReadEnd::Complete);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 1000);
}

} // namespace
} // namespace veltroma::test
