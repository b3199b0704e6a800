#include "LanguageLookup.h"
#include "ViewTestSupport.h"

#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/DayValue.h"
#include "monitor/DailyRecorder.h"
#include "storage/BiffWriter.h"
#include "storage/CSpreadSheet.h"
#include "storage/CompoundFile.h"
#include "storage/RecordTemplate.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace veltroma::test {
namespace {

// A record row adds one point per cell (eleven) to every channel.
constexpr int kPointsPerRow = 11;

// Every day of the wide month file holds this many records, one a minute from 6:00.
constexpr int kWideRows = 128;
// Its records' points on every channel: eleven a row, and a break before each day but the first.
constexpr int kWidePoints = 31 * kWideRows * kPointsPerRow + 30;

// A month file (of May 2011) whose day sheets hold records with cells out to the last
// column: a million cells, nearly all texts of their own, within what the storage layer
// reads, so that reading it takes a while (some 300 ms here); its points are those of the
// records' eleven columns alone.
QByteArray wideMonthFile()
{
    Workbook book = makeRecordTemplate();
    book.editSheet(0).setText(38, 3, QStringLiteral("2011-5"));
    for (int day = 1; day <= 31; ++day) {
        Sheet& sheet = book.editSheet(*book.findSheet(QString::number(day)));
        for (int r = 0; r < kWideRows; ++r) {
            // The newest record on top, as recording leaves them.
            const int minute = kWideRows - 1 - r;
            std::vector<Cell> cells;
            cells.push_back({QStringLiteral("%1:%2:0").arg(6 + minute / 60).arg(minute % 60), 0});
            // Texts of their own beyond the record, so that each cell costs its own string.
            for (int c = 1; c < kMaxSheetColumns; ++c)
                cells.push_back({c < kPointsPerRow ? QString::number(c)
                                                   : QStringLiteral("%1/%2/%3").arg(day).arg(r).arg(c),
                                 c});
            sheet.putRow(2 + r, std::move(cells));
        }
    }
    return buildCompoundFile(writeWorkbookStream(book));
}

// Recorded month files in the form's program folder, read back in the two history modes.
class HistoryTest : public ::testing::Test {
protected:
    HistoryTest() : link(clock), form(link, clock) {}

    // Records one row of output power `power` at `at`, as the recording every 180 s does.
    void record(const QDateTime& at, int power)
    {
        InverterModel model;
        model.paths = LoadDataSet(form.folder(), at, bInverterAdrNow);
        model.realtimeDecoded = true;
        model.NewRow = {model.paths.sExcelColumA, "340.0", "230.0", "50.00",
                        QString::number(power), "12.3", "480", "12345.6", "4096", "30.0",
                        "Normal"};
        recorder.record(model);
    }

    QString monthFile(const char* name) const
    {
        return form.folder() + QStringLiteral("Data/Inverter1/") + QLatin1String(name);
    }

    void turnTo(int position) const
    {
        auto* rotary = form.find<CiSwitchRotaryX>("m_iSwitchRotaryX1");
        rotary->SetPosition(position);
        emit rotary->positionChanged(position);
    }

    void pickDay(QDate day) const
    {
        form.find<QDateEdit>("m_graphtime")->setDate(day);
        form.refresh();
        ASSERT_TRUE(form.historyRead());
    }

    // Chooses `file` in open data file; the read runs on.
    void startOpening(const std::optional<QString>& file)
    {
        form.prompt.chooseFile(file);
        QTest::mouseClick(form.find<QPushButton>("openFileButton"), Qt::LeftButton);
    }

    void open(const std::optional<QString>& file)
    {
        startOpening(file);
        ASSERT_TRUE(form.historyRead());
    }

    QString writeWideMonth() const
    {
        static const QByteArray bytes = wideMonthFile();
        const QString path = form.folder() + QStringLiteral("wide-2011-5.xls");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    // Runs `act` from the event loop while a 10 ms timer ticks, then the loop until no history
    // read runs any more (30 s at most); the longest time between two ticks, in ms.
    static qint64 longestTickGapAround(const std::function<void()>& act, const HistoryReview& history)
    {
        QElapsedTimer clock;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(10);
        QEventLoop loop;
        bool acted = false;
        qint64 last = 0;
        qint64 longest = 0;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
            if ((acted && history.readingThreads() == 0) || now > 30000)
                loop.quit();
        });
        QTimer::singleShot(25, Qt::PreciseTimer, &loop, [&] {
            act();
            acted = true;
        });
        clock.start();
        tick.start();
        loop.exec();
        return longest;
    }

    QWidget* progress() const { return form.find<QWidget>("historyProgress"); }

    CiPlotX* plot() const { return form.find<CiPlotX>("m_iPlotX"); }
    int points(int channel) const { return plot()->GetChannel(channel)->pointCount(); }
    double lastValue(int channel) const
    {
        const auto data = plot()->GetChannel(channel)->graph()->data();
        return (data->constEnd() - 1)->value;
    }

    VirtualClock clock;
    FakeLink link;
    ViewHarness form;
    DailyRecorder recorder;
};



TEST_F(HistoryTest, ReviewReadsTheDayOfTheDatePickerOnce)
{
    record(QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3)), 1500);
    record(QDateTime(QDate(2011, 5, 7), QTime(12, 15, 30)), 2800);
    turnTo(2);
    pickDay(QDate(2011, 5, 7));

    EXPECT_EQ(form.view->history().shownFile(), monthFile("2011-5.xls"));
    EXPECT_EQ(form.view->history().shownSheet(), "7");
    // Two rows and, between them three hours apart, one break in the line.
    ASSERT_EQ(points(3), 2 * kPointsPerRow + 1);
    EXPECT_DOUBLE_EQ(lastValue(3), 2800.0);
    const double firstX =
        dayValueFromPlotKey(plot()->GetChannel(3)->graph()->data()->constBegin()->key);
    EXPECT_NEAR(firstX, 8.0 + (9 + 5 / 60.0 + 3 / 3600.0) / 24.0, 1e-6);
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-5-d h:nn:ss");
    EXPECT_DOUBLE_EQ(plot()->GetXAxis(0)->span(), 31.0);

    // The same day is not read again, even when its sheet has grown meanwhile.
    record(QDateTime(QDate(2011, 5, 7), QTime(13, 0, 0)), 3000);
    form.refresh();
    ASSERT_TRUE(form.historyRead());
    EXPECT_EQ(points(3), 2 * kPointsPerRow + 1);

    // Another day clears the channels first; its sheet is empty.
    pickDay(QDate(2011, 5, 8));
    EXPECT_EQ(form.view->history().shownSheet(), "8");
    EXPECT_EQ(points(3), 0);

    pickDay(QDate(2011, 5, 7));
    // 12:15:30 and 13:00 are more than 540 s apart too: a second break.
    EXPECT_EQ(points(3), 3 * kPointsPerRow + 2);
    EXPECT_DOUBLE_EQ(lastValue(3), 3000.0);

    // Another mode forgets the day, so coming back reads it again.
    turnTo(0);
    form.refresh();
    EXPECT_TRUE(form.view->history().shownFile().isEmpty());
    EXPECT_TRUE(form.prompt.shown().empty());
}

TEST_F(HistoryTest, OpenDataFileAddsEachMonthToThePlot)
{
    record(QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3)), 1500);
    record(QDateTime(QDate(2011, 5, 7), QTime(12, 15, 30)), 2800);
    record(QDateTime(QDate(2011, 6, 2), QTime(10, 0, 0)), 2100);
    turnTo(3);
    ASSERT_EQ(points(0), 0);

    open(monthFile("2011-5.xls"));
    // Two rows three hours apart, with a break in the line between them.
    EXPECT_EQ(points(0), 2 * kPointsPerRow + 1);
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-5-d h:nn:ss");

    form.prompt.chooseFile(monthFile("2011-6.xls"));
    QTest::mouseClick(form.find<CiSwitchLedX>("m_iSwitchLedX7"), Qt::LeftButton);
    ASSERT_TRUE(form.historyRead());
    EXPECT_EQ(points(0), 3 * kPointsPerRow + 1);
    // June's row falls on day 2 of the axis, before May's day 7.
    const auto power = plot()->GetChannel(3)->graph()->data();
    EXPECT_NEAR(dayValueFromPlotKey(power->constBegin()->key), 3.0 + 10.0 / 24.0, 1e-6);
    EXPECT_TRUE(std::any_of(power->constBegin(), power->constBegin() + kPointsPerRow,
                            [](const QCPGraphData& point) { return point.value == 2100.0; }));
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-6-d h:nn:ss");

    // No choice adds nothing and says nothing.
    open(std::nullopt);
    EXPECT_TRUE(form.prompt.shown().empty());
    EXPECT_EQ(points(0), 3 * kPointsPerRow + 1);
}

TEST_F(HistoryTest, OpenDataFileRefusesWhatIsNoMonthFileWithAMessage)
{
    turnTo(3);
    const auto refused = [this](const QString& path) {
        open(path);
        const auto shown = form.prompt.shown();
        return shown.empty() ? QString() : shown.back().text;
    };
    const QString text = form.folder() + QStringLiteral("2011-5.xls");
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("9:5:3,340.0,230.0\n9:8:3,341.0,231.0\n");
    }
    EXPECT_EQ(refused(text), "The file is no workbook this program can read. Nothing is plotted.");

    const QString empty = form.folder() + QStringLiteral("2011-6.xls");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_EQ(refused(empty), "The file is empty: it holds no recorded month. Nothing is plotted.");

    // A workbook named like a month file, with a sheet "7" that has rows, but no cover.
    const QString other = form.folder() + QStringLiteral("2011-7.xls");
    CSpreadSheet sheet(other, QStringLiteral("7"), false);
    ASSERT_TRUE(sheet.AddHeaders({"Hour:Minute", "DC oltage(V)"}));
    ASSERT_TRUE(sheet.AddRow({"9:5:3", "340.0"}));
    EXPECT_TRUE(refused(other).startsWith("The workbook is no month record file"));

    EXPECT_EQ(form.prompt.shown().size(), 3U);
    for (int channel = 0; channel < kHistoryChannels; ++channel)
        EXPECT_EQ(points(channel), 0);
}

TEST(MonthFileProblemText, IsWrittenInBothChineseLanguagesToo)
{
    for (const auto problem : {MonthFileProblem::Empty, MonthFileProblem::NotAWorkbook,
                               MonthFileProblem::NotAMonthFile}) {
        const QString english = HistoryReview::monthFileProblemText(problem, embeddedLanguage(kEnglishFileId));
        const QString simplified =
            HistoryReview::monthFileProblemText(problem, embeddedLanguage(kSimplifiedChineseFileId));
        const QString traditional =
            HistoryReview::monthFileProblemText(problem, embeddedLanguage(kTraditionalChineseFileId));
        EXPECT_TRUE(english.endsWith(QStringLiteral("Nothing is plotted."))) << english.toStdString();
        EXPECT_TRUE(simplified.contains(QStringLiteral("未绘制")));
        EXPECT_TRUE(traditional.contains(QStringLiteral("未繪製")));
    }
}

TEST_F(HistoryTest, ExportCsvWritesWhatIsShownBesideItsMonthFile)
{
    record(QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3)), 1500);
    record(QDateTime(QDate(2011, 5, 7), QTime(12, 15, 30)), 2800);
    record(QDateTime(QDate(2011, 5, 8), QTime(10, 0, 0)), 2100);
    auto* button = form.find<QPushButton>("exportCsvButton");
    turnTo(0);
    EXPECT_TRUE(button->isHidden());

    // History review: the day picked, oldest row first.
    turnTo(2);
    ASSERT_FALSE(button->isHidden());
    EXPECT_EQ(button->text(), QStringLiteral("Export CSV…"));
    pickDay(QDate(2011, 5, 7));
    QTest::mouseClick(button, Qt::LeftButton);
    QFile day(monthFile("2011-5-7.csv"));
    ASSERT_TRUE(day.open(QIODevice::ReadOnly)) << form.prompt.texts().join('\n').toStdString();
    const QList<QByteArray> lines = day.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4); // header, two rows, the empty rest after the last CR LF
    EXPECT_TRUE(lines[1].startsWith("2011-05-07T09:05:03,340.0,230.0,50.00,1500,"));
    EXPECT_TRUE(lines[2].startsWith("2011-05-07T12:15:30,"));
    EXPECT_EQ(form.prompt.texts().value(0),
              QStringLiteral("Records exported to ") + monthFile("2011-5-7.csv"));

    // Open data file: the month read last, all its days.
    turnTo(3);
    form.prompt.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(form.prompt.texts().value(0).startsWith(QStringLiteral("Export failed")))
        << "nothing opened yet";
    open(monthFile("2011-5.xls"));
    QTest::mouseClick(button, Qt::LeftButton);
    QFile month(monthFile("2011-5.csv"));
    ASSERT_TRUE(month.open(QIODevice::ReadOnly));
    EXPECT_EQ(month.readAll().count("\r\n"), 4);
}

TEST_F(HistoryTest, AHugeMonthFileIsReadWhileTheWindowKeepsTicking)
{
    const QString wide = writeWideMonth();
    turnTo(3);
    // The form's first paint is no part of the read.
    QTest::qWait(100);
    QElapsedTimer reading;
    bool wasReading = false;
    bool progressShown = false;
    const qint64 gap = longestTickGapAround(
        [&] {
            reading.start();
            startOpening(wide);
            wasReading = form.view->history().reading();
            progressShown = progress()->isVisible();
        },
        form.view->history());
    EXPECT_TRUE(wasReading);
    EXPECT_TRUE(progressShown);
    // Generous: the read itself takes longer, on its own thread; the window's thread only
    // starts it and plots the result (some 44,000 points a channel).
    EXPECT_LT(gap, 100) << "the read took " << reading.elapsed() << " ms";
    EXPECT_FALSE(progress()->isVisible());
    for (int channel = 0; channel < kHistoryChannels; ++channel)
        EXPECT_EQ(points(channel), kWidePoints) << channel;
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-5-d h:nn:ss");
    EXPECT_TRUE(form.prompt.shown().empty());
}

TEST_F(HistoryTest, CancellingAReadPlotsNothingAndEndsItsThread)
{
    const QString wide = writeWideMonth();
    turnTo(3);
    startOpening(wide);
    ASSERT_TRUE(progress()->isVisible());
    // The progress stands in the free corner of the switch panel, clear of the other controls.
    for (const char* name : {"exportCsvButton", "openFileButton", "m_graphtime", "m_iSwitchLedX7"})
        EXPECT_FALSE(progress()->geometry().intersects(form.find<QWidget>(name)->geometry())) << name;

    QTest::mouseClick(form.find<QToolButton>("historyCancelButton"), Qt::LeftButton);
    EXPECT_FALSE(form.view->history().reading());
    EXPECT_FALSE(progress()->isVisible());
    ASSERT_TRUE(form.historyRead());
    for (int channel = 0; channel < kHistoryChannels; ++channel)
        EXPECT_EQ(points(channel), 0) << channel;
    EXPECT_TRUE(form.prompt.shown().empty());
}

TEST_F(HistoryTest, AnotherReadOrAnotherModeCancelsTheReadInProgress)
{
    record(QDateTime(QDate(2011, 6, 2), QTime(10, 0, 0)), 2100);
    const QString wide = writeWideMonth();
    turnTo(3);
    startOpening(wide);
    open(monthFile("2011-6.xls"));
    EXPECT_EQ(points(3), kPointsPerRow);
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-6-d h:nn:ss");

    startOpening(wide);
    turnTo(2);
    EXPECT_FALSE(form.view->history().reading());
    const int afterTurning = points(3);
    ASSERT_TRUE(form.historyRead());
    EXPECT_EQ(points(3), afterTurning);
    EXPECT_TRUE(form.prompt.shown().empty());
}

} // namespace
} // namespace veltroma::test
