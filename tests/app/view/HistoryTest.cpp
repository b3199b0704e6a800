#include "LanguageLookup.h"
#include "ViewTestSupport.h"

#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/DayValue.h"
#include "monitor/DailyRecorder.h"
#include "storage/CSpreadSheet.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <QDateEdit>
#include <QFile>
#include <algorithm>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

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
    }

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

// A record row adds one point per cell (eleven) to every channel.
constexpr int kPointsPerRow = 11;

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

    form.prompt.chooseFile(monthFile("2011-5.xls"));
    QTest::mouseClick(form.find<QPushButton>("openFileButton"), Qt::LeftButton);
    // Two rows three hours apart, with a break in the line between them.
    EXPECT_EQ(points(0), 2 * kPointsPerRow + 1);
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-5-d h:nn:ss");

    form.prompt.chooseFile(monthFile("2011-6.xls"));
    QTest::mouseClick(form.find<CiSwitchLedX>("m_iSwitchLedX7"), Qt::LeftButton);
    EXPECT_EQ(points(0), 3 * kPointsPerRow + 1);
    // June's row falls on day 2 of the axis, before May's day 7.
    const auto power = plot()->GetChannel(3)->graph()->data();
    EXPECT_NEAR(dayValueFromPlotKey(power->constBegin()->key), 3.0 + 10.0 / 24.0, 1e-6);
    EXPECT_TRUE(std::any_of(power->constBegin(), power->constBegin() + kPointsPerRow,
                            [](const QCPGraphData& point) { return point.value == 2100.0; }));
    EXPECT_EQ(plot()->GetXAxis(0)->dateTimeFormat(), "2011-6-d h:nn:ss");

    // No choice adds nothing and says nothing.
    form.prompt.chooseFile(std::nullopt);
    QTest::mouseClick(form.find<QPushButton>("openFileButton"), Qt::LeftButton);
    EXPECT_TRUE(form.prompt.shown().empty());
    EXPECT_EQ(points(0), 3 * kPointsPerRow + 1);
}

TEST_F(HistoryTest, OpenDataFileRefusesWhatIsNoMonthFileWithAMessage)
{
    turnTo(3);
    const auto open = [this](const QString& path) {
        form.prompt.chooseFile(path);
        QTest::mouseClick(form.find<QPushButton>("openFileButton"), Qt::LeftButton);
        const auto shown = form.prompt.shown();
        return shown.empty() ? QString() : shown.back().text;
    };
    const QString text = form.folder() + QStringLiteral("2011-5.xls");
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("9:5:3,340.0,230.0\n9:8:3,341.0,231.0\n");
    }
    EXPECT_EQ(open(text), "The file is no workbook this program can read. Nothing is plotted.");

    const QString empty = form.folder() + QStringLiteral("2011-6.xls");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_EQ(open(empty), "The file is empty: it holds no recorded month. Nothing is plotted.");

    // A workbook named like a month file, with a sheet "7" that has rows, but no cover.
    const QString other = form.folder() + QStringLiteral("2011-7.xls");
    CSpreadSheet sheet(other, QStringLiteral("7"), false);
    ASSERT_TRUE(sheet.AddHeaders({"Hour:Minute", "DC oltage(V)"}));
    ASSERT_TRUE(sheet.AddRow({"9:5:3", "340.0"}));
    EXPECT_TRUE(open(other).startsWith("The workbook is no month record file"));

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
    form.prompt.chooseFile(monthFile("2011-5.xls"));
    QTest::mouseClick(form.find<QPushButton>("openFileButton"), Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QFile month(monthFile("2011-5.csv"));
    ASSERT_TRUE(month.open(QIODevice::ReadOnly));
    EXPECT_EQ(month.readAll().count("\r\n"), 4);
}

} // namespace
} // namespace veltroma::test
