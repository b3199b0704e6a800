#include "instruments/CiPlotX.h"
#include "instruments/DayValue.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>
#include <qcustomplot.h>

namespace veltroma {
namespace {

class PlotTest : public ::testing::Test {
protected:
    PlotTest()
    {
        plot.setWallClock([this] { return now; });
        plot.resize(plot.sizeHint());
    }

    [[nodiscard]] QCPRange xRange() { return plot.customPlot()->xAxis->range(); }

    QDateTime now{QDate(2024, 6, 18), QTime(13, 20, 0)};
    CiPlotX plot;
};

TEST_F(PlotTest, HasNineChannelsOneXAxisOneLegend)
{
    for (int i = 0; i < CiPlotX::kChannelCount; ++i)
        ASSERT_NE(plot.GetChannel(i), nullptr);
    EXPECT_EQ(plot.GetChannel(9), nullptr);
    EXPECT_EQ(plot.GetChannel(-1), nullptr);
    EXPECT_NE(plot.GetXAxis(0), nullptr);
    EXPECT_EQ(plot.GetXAxis(1), nullptr);
    EXPECT_NE(plot.GetLegend(0), nullptr);
    EXPECT_EQ(plot.GetLegend(1), nullptr);
}

TEST_F(PlotTest, PointsGoToTheirOwnChannelInDaySeconds)
{
    const double x = 18.5; // noon of 1900-01-17
    plot.GetChannel(2)->AddXY(x, 50.01);
    plot.GetChannel(2)->AddXY(x + 0.25, 49.98);
    EXPECT_EQ(plot.GetChannel(2)->pointCount(), 2);
    for (int i : {0, 1, 3, 8})
        EXPECT_EQ(plot.GetChannel(i)->pointCount(), 0);
    const auto data = plot.GetChannel(2)->graph()->data();
    EXPECT_DOUBLE_EQ(data->at(0)->key, plotKeyFromDayValue(x));
    EXPECT_DOUBLE_EQ(data->at(0)->value, 50.01);
    EXPECT_DOUBLE_EQ(data->at(1)->key - data->at(0)->key, 6 * 3600.0);
}

TEST_F(PlotTest, AddYNowStampsTheWallClock)
{
    plot.GetChannel(3)->AddYNow(4200);
    now = now.addSecs(1);
    plot.GetChannel(3)->AddYNow(4210);
    const auto data = plot.GetChannel(3)->graph()->data();
    ASSERT_EQ(data->size(), 2);
    EXPECT_NEAR(data->at(0)->key, plotKeyFromDayValue(dayValueFrom(QDateTime(QDate(2024, 6, 18), QTime(13, 20)))), 1e-3);
    EXPECT_NEAR(data->at(1)->key - data->at(0)->key, 1.0, 1e-3);
}

TEST_F(PlotTest, PointsSharingOneXKeepTheirOrder)
{
    // History rows append one point per cell at the same X; the last one must win the step.
    auto* channel = plot.GetChannel(0);
    channel->AddXY(10.5, 1);
    channel->AddXY(10.6, 2);
    channel->AddXY(10.6, 3);
    channel->AddXY(10.6, 4);
    const auto data = channel->graph()->data();
    ASSERT_EQ(data->size(), 4);
    EXPECT_DOUBLE_EQ(data->at(1)->value, 2);
    EXPECT_DOUBLE_EQ(data->at(3)->value, 4);
}

TEST_F(PlotTest, ManyPointsAddedAtOnceKeepTheirOrderAndTheChannelsCapacity)
{
    plot.setChannelCapacity(100);
    auto* channel = plot.GetChannel(1);
    channel->AddXY(20.0, 9);
    // Before and after the point already there, some sharing one X, one without a place.
    const std::vector<double> xs{10.6, 10.5, 10.6, 10.6, std::nan(""), 30.0};
    const std::vector<double> ys{2, 1, 3, 4, 5, 6};
    channel->AddXYs(xs, ys);
    const auto data = channel->graph()->data();
    ASSERT_EQ(data->size(), 6);
    const std::vector<double> values{1, 2, 3, 4, 9, 6};
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(data->at(i)->value, values[static_cast<std::size_t>(i)]) << i;

    std::vector<double> many(1000);
    std::vector<double> ones(1000, 1.0);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = 30.0 + static_cast<double>(i) / 86400.0;
    channel->AddXYs(many, ones);
    EXPECT_LE(channel->pointCount(), 100);
}

TEST_F(PlotTest, VisibilityIsPerChannelAndTheLegendListsOnlyVisibleOnes)
{
    plot.setLegendTitle(QStringLiteral("Registed Inverters"));
    for (int i = 0; i < CiPlotX::kChannelCount; ++i) {
        plot.GetChannel(i)->setTitle(QStringLiteral("q%1").arg(i));
        plot.GetChannel(i)->SetVisible(false);
    }
    plot.GetChannel(4)->SetVisible(true);
    plot.GetChannel(1)->SetVisible(true);
    for (int i = 0; i < CiPlotX::kChannelCount; ++i)
        EXPECT_EQ(plot.GetChannel(i)->graph()->visible(), i == 4 || i == 1) << i;

    QCPLegend* legend = plot.customPlot()->legend;
    QStringList listed;
    for (int i = 0; i < legend->itemCount(); ++i) {
        if (auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i)))
            listed << item->plottable()->name();
    }
    EXPECT_EQ(listed, QStringList({"q1", "q4"}));
    EXPECT_EQ(plot.legendTitle(), QStringLiteral("Registed Inverters"));

    plot.GetLegend(0)->SetVisible(false);
    EXPECT_FALSE(plot.GetLegend(0)->visible());
}

TEST_F(PlotTest, ClearEmptiesOnlyThatChannel)
{
    plot.GetChannel(0)->AddXY(20, 1);
    plot.GetChannel(1)->AddXY(20, 1);
    plot.GetChannel(0)->Clear();
    EXPECT_EQ(plot.GetChannel(0)->pointCount(), 0);
    EXPECT_EQ(plot.GetChannel(1)->pointCount(), 1);
}

TEST_F(PlotTest, TheNewestPointScrollsIntoViewAtTheRightEdge)
{
    CiPlotAxisX* x = plot.GetXAxis(0);
    x->SetSpan(0.04);
    x->SetMin(100.0);
    plot.GetChannel(0)->AddXY(100.02, 1); // inside: no scrolling
    EXPECT_DOUBLE_EQ(x->min(), 100.0);
    plot.GetChannel(0)->AddXY(100.05, 2);
    EXPECT_NEAR(x->min(), 100.01, 1e-9);
    EXPECT_NEAR(xRange().upper, plotKeyFromDayValue(100.05), 1e-3);
    EXPECT_NEAR(xRange().size(), 0.04 * 86400, 1e-3);
    // An older point on another channel does not pull the view back.
    plot.GetChannel(1)->AddXY(100.0, 3);
    EXPECT_NEAR(x->min(), 100.01, 1e-9);

    // Once every channel is cleared, the next data decide the view, even when older.
    for (int i = 0; i < CiPlotX::kChannelCount; ++i)
        plot.GetChannel(i)->Clear();
    x->SetSpan(31);
    plot.GetChannel(0)->AddXY(6.5, 1);
    EXPECT_NEAR(x->min(), 6.5 - 31, 1e-9);
}

TEST_F(PlotTest, AxisMinSpanTitleAndFormat)
{
    plot.RemoveAllYAxes();
    EXPECT_EQ(plot.GetYAxis(0), nullptr);
    EXPECT_EQ(plot.AddYAxis(), 0);
    CiPlotAxisX* y = plot.GetYAxis(0);
    ASSERT_NE(y, nullptr);
    y->SetMin(0);
    y->SetTitle(QStringLiteral("Output Power"));
    y->SetSpan(6000);
    EXPECT_TRUE(plot.customPlot()->yAxis->label().isEmpty()); // title not shown yet
    y->SetTitleShow(true);
    EXPECT_EQ(plot.customPlot()->yAxis->label(), QStringLiteral("Output Power"));
    EXPECT_DOUBLE_EQ(plot.customPlot()->yAxis->range().lower, 0);
    EXPECT_DOUBLE_EQ(plot.customPlot()->yAxis->range().upper, 6000);
    y->SetSpan(0);
    y->SetSpan(-5);
    EXPECT_DOUBLE_EQ(y->span(), 6000);

    EXPECT_EQ(plot.AddYAxis(), 1);
    EXPECT_EQ(plot.yAxisCount(), 2);
    plot.RemoveAllYAxes();
    EXPECT_EQ(plot.yAxisCount(), 0);
    EXPECT_EQ(plot.customPlot()->axisRect()->axisCount(QCPAxis::atLeft), 1);

    plot.GetXAxis(0)->SetDateTimeFormat(QStringLiteral("2011-5-d h:nn:ss"));
    auto ticker = plot.customPlot()->xAxis->ticker().dynamicCast<QCPAxisTickerDateTime>();
    ASSERT_TRUE(ticker);
    EXPECT_EQ(ticker->dateTimeFormat(), QStringLiteral("2011-5-d H:mm:ss"));
}

TEST_F(PlotTest, TickLabelsFollowAChangeOfFormat)
{
    // The labels of the time axis are remembered from one replot to the next: a new format
    // must still show at once.
    plot.customPlot()->replot();
    const QList<QString> times = plot.customPlot()->xAxis->tickVectorLabels();
    ASSERT_FALSE(times.isEmpty());
    plot.GetXAxis(0)->SetDateTimeFormat(QStringLiteral("yyyy-m-d h:nn:ss"));
    plot.customPlot()->replot();
    const QList<QString> dated = plot.customPlot()->xAxis->tickVectorLabels();
    ASSERT_EQ(dated.size(), times.size());
    for (qsizetype i = 0; i < times.size(); ++i) {
        SCOPED_TRACE(times[i].toStdString());
        EXPECT_TRUE(dated[i].endsWith(QStringLiteral(" ") + times[i]));
        EXPECT_TRUE(dated[i].contains(u'-'));
    }
}

TEST_F(PlotTest, DenseCurvesAreDrawnThinAndUnfilled)
{
    auto* channel = plot.GetChannel(3);
    plot.GetXAxis(0)->SetSpan(1);
    for (int i = 0; i < 100; ++i)
        channel->AddXY(500 + i / 1440.0, i);
    plot.customPlot()->replot();
    EXPECT_GT(channel->graph()->pen().widthF(), 1.0);
    EXPECT_NE(channel->graph()->brush().style(), Qt::NoBrush);
    for (int i = 0; i < 20000; ++i)
        channel->AddXY(501 + i / 86400.0, i % 50);
    plot.customPlot()->replot();
    EXPECT_DOUBLE_EQ(channel->graph()->pen().widthF(), 1.0);
    EXPECT_EQ(channel->graph()->brush().style(), Qt::NoBrush);
    EXPECT_EQ(channel->color(), channel->graph()->pen().color());
}

TEST_F(PlotTest, AFullChannelThinsItsOlderHalfAndKeepsItsNewestPointsWhole)
{
    plot.setChannelCapacity(100);
    auto* channel = plot.GetChannel(5);
    // A saw tooth: one peak of 1000 in every ten points, the rest zeros.
    for (int i = 0; i < 1000; ++i)
        channel->AddXY(1000 + i / 86400.0, i % 10 == 0 ? 1000 : 0);
    EXPECT_LE(channel->pointCount(), 100);
    EXPECT_GE(channel->pointCount(), 60);
    const auto data = channel->graph()->data();
    // The newest 40 points are all there, one second apart.
    for (int back = 1; back <= 40; ++back) {
        const auto& point = *(data->constEnd() - back);
        EXPECT_DOUBLE_EQ(point.key, plotKeyFromDayValue(1000 + (1000 - back) / 86400.0));
    }
    // The thinned part still starts near the first point and still shows the peaks.
    EXPECT_LT(data->constBegin()->key, plotKeyFromDayValue(1000 + 100 / 86400.0));
    int peaks = 0;
    for (auto it = data->constBegin(); it != data->constEnd() - 40; ++it)
        peaks += it->value == 1000 ? 1 : 0;
    EXPECT_GE(peaks, 5);
    EXPECT_TRUE(std::is_sorted(data->constBegin(), data->constEnd(),
                               [](const auto& a, const auto& b) { return a.key < b.key; }));
}

TEST_F(PlotTest, AChannelKeepsTheLast31DaysBeforeItsNewestPoint)
{
    auto* channel = plot.GetChannel(0);
    auto* other = plot.GetChannel(1);
    // One point an hour over 40 days.
    for (int hour = 0; hour <= 40 * 24; ++hour) {
        channel->AddXY(2000 + hour / 24.0, hour);
        if (hour < 24)
            other->AddXY(2000 + hour / 24.0, hour);
    }
    const auto data = channel->graph()->data();
    EXPECT_EQ(channel->pointCount(), 31 * 24 + 1);
    EXPECT_DOUBLE_EQ(data->constBegin()->key, plotKeyFromDayValue(2000 + 9.0));
    // A channel's window runs from its own newest point: the other one lost nothing.
    EXPECT_EQ(other->pointCount(), 24);
}

// A button standing on the plot's top edge, counting its paints.
class StandingButton final : public QPushButton {
public:
    using QPushButton::QPushButton;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        QPushButton::paintEvent(event);
    }
};

// A plot shown with a button on its top edge above the drawing field, as the form places
// its buttons; the plot's canvas fills the host, so both use the same coordinates.
class StandingControlsTest : public ::testing::Test {
protected:
    StandingControlsTest()
    {
        host.resize(640, 320);
        plot->setGeometry(host.rect());
        plot->setWallClock([] { return QDateTime(QDate(2024, 6, 18), QTime(13, 20)); });
        QCPAxisRect* field = plot->customPlot()->axisRect();
        field->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msBottom);
        field->setMargins(QMargins(0, 44, 0, 0));
        button->setGeometry(420, 12, 90, 24);
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
    }

    // A new point, and the replot and repaint it brings.
    int paintsForANewPoint()
    {
        const int before = button->paints;
        plot->GetChannel(0)->AddYNow(40.0 + ++points_);
        QTest::qWait(50);
        return button->paints - before;
    }

    // What the window shows, as painted on the screen (not re-rendered).
    QImage screen() { return host.screen()->grabWindow(host.winId()).toImage(); }

    QWidget host;
    CiPlotX* plot = new CiPlotX(&host);
    StandingButton* button = new StandingButton(QStringLiteral("Help"), &host);

private:
    int points_ = 0;
};

TEST_F(StandingControlsTest, AReplotLeavesThemAloneAndTheScreenLooksTheSame)
{
    ASSERT_GT(paintsForANewPoint(), 0) << "a button over the drawing is repainted with it";
    const QImage open = screen();
    plot->setStandingControls({button->geometry()});
    QTest::qWait(50);
    EXPECT_EQ(screen(), open);
    EXPECT_EQ(paintsForANewPoint(), 0);
    EXPECT_EQ(paintsForANewPoint(), 0);
    // A hover or a press still repaints the button itself.
    button->setDown(true);
    QTest::qWait(50);
    EXPECT_GT(button->paints, 0);
    plot->setStandingControls({});
    EXPECT_GT(paintsForANewPoint(), 0);
}

TEST_F(StandingControlsTest, ThePlotDrawsOnUnderAControlReachingIntoItsField)
{
    // Only the strip above the field is left to controls: the curve still shows under a
    // control that reaches down into the field.
    button->setGeometry(420, 12, 90, 120);
    plot->GetXAxis(0)->SetSpan(1.0 / 24);
    plot->setStandingControls({button->geometry()});
    ASSERT_GT(paintsForANewPoint(), 0);
    button->hide();
    QTest::qWait(50);
    const QImage underneath = screen();
    plot->setStandingControls({});
    plot->update();
    QTest::qWait(50);
    EXPECT_EQ(screen(), underneath);
}

} // namespace
} // namespace veltroma
