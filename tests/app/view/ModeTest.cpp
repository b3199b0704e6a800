#include "AnsweringLink.h"
#include "ViewTestSupport.h"

#include "app/view/QuantityAxes.h"
#include "app/view/ViewModes.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRockerX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchSliderX.h"
#include "instruments/ColorRef.h"
#include "instruments/DayValue.h"
#include "link/Commands.h"
#include "monitor/EngineTestSupport.h"
#include "support/FakeLink.h"

#include <QApplication>
#include <QDateEdit>
#include <QWheelEvent>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>

namespace veltroma::test {
namespace {

class ModeTest : public ::testing::Test {
protected:
    ModeTest() : link(steadyClock(), 30), form(link, steadyClock()) { answerEveryRequest(link); }

    CiSwitchRotaryX* rotary() const { return form.find<CiSwitchRotaryX>("m_iSwitchRotaryX1"); }
    CiSwitchLedX* connectSwitch() const { return form.find<CiSwitchLedX>("m_iSwitchLedX0"); }
    CiLedRectangleX* statusLamp() const { return form.find<CiLedRectangleX>("m_iLedRectangleX1"); }
    CiPlotX* plot() const { return form.find<CiPlotX>("m_iPlotX"); }

    void turnTo(int position) const
    {
        rotary()->SetPosition(position);
        emit rotary()->positionChanged(position);
    }

    // The user turns "Communication Connect" on; the fake inverter has a reply decoded soon.
    void connect()
    {
        QTest::mouseClick(connectSwitch(), Qt::LeftButton);
        ASSERT_TRUE(connectSwitch()->GetActive());
        ASSERT_TRUE(QTest::qWaitFor([this] { return form.view->engine().snapshot().realtimeDecoded; },
                                    5000));
    }

    FakeLink link;
    ViewHarness form;
};

TEST_F(ModeTest, StartShowsRealtimeModeWithEmptyListAndCaptions)
{
    EXPECT_EQ(form.view->iSwitchRotaryX_state(), 0);
    EXPECT_EQ(statusLamp()->GetCenterLabelText(), "Realtime Monitor");
    EXPECT_FALSE(statusLamp()->GetActive());
    EXPECT_EQ(rotary()->positionLabels(),
              QStringList({"Realtime Monitor", "Parameter Manage", "History Data Review",
                           "Open Data File", "Debug"}));
    EXPECT_EQ(connectSwitch()->caption(), "Communication Connect");
    EXPECT_FALSE(form.find<QDateEdit>("m_graphtime")->isVisible());
    EXPECT_TRUE(form.schedule().refreshing());
    EXPECT_EQ(form.schedule().intervals().refreshMs, 1000);
    EXPECT_FALSE(form.schedule().recording());
    EXPECT_FALSE(form.schedule().watching());
    for (const char* hidden : {"m_OutOfSpecificationLED1", "m_iSwitchLedX1", "m_iSwitchRockerX1"})
        EXPECT_FALSE(form.find<QWidget>(hidden)->isVisible()) << hidden;

    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    ASSERT_EQ(list->GetColumnCount(), 9);
    ASSERT_EQ(list->GetItemCount(), 9);
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "DC Voltage (V)");
    EXPECT_EQ(list->horizontalHeaderItem(8)->text(), "Temperature (°C)");
    for (int column = 0; column < 9; ++column)
        EXPECT_TRUE(list->IsReadOnly(column));
    EXPECT_EQ(list->GetItemText(8, 0), " ");

    // The month's record file exists from the start.
    EXPECT_TRUE(QFile::exists(form.folder() + "Data/Inverter1/2011-5.xls"));
}

TEST_F(ModeTest, EachModeSetsItsLampAndControls)
{
    struct Expected {
        int position;
        const char* lamp;
        ColorRef color;
        int state;
        bool connectShown, pickerShown, openFileShown, testShown, legendShown;
    };
    const Expected modes[] = {
        {1, "Parameter Management", colorRef(255, 128, 0), 1, false, false, false, false, false},
        {2, "History Data Review", colorRef(255, 0, 0), 2, false, true, false, false, true},
        {3, "Open Data File", colorRef(255, 0, 0), 2, false, false, true, false, true},
        {4, "Debug", colorRef(0, 128, 255), 3, false, false, false, true, true},
        {0, "Realtime Monitor", colorRef(0, 255, 0), 0, true, false, false, false, false},
    };
    for (const Expected& mode : modes) {
        SCOPED_TRACE(mode.position);
        turnTo(mode.position);
        EXPECT_EQ(form.view->iSwitchRotaryX_state(), mode.state);
        EXPECT_EQ(statusLamp()->GetCenterLabelText(), mode.lamp);
        EXPECT_EQ(colorRefFrom(statusLamp()->activeColor()), mode.color);
        EXPECT_EQ(connectSwitch()->isVisible(), mode.connectShown);
        EXPECT_EQ(form.find<QDateEdit>("m_graphtime")->isVisible(), mode.pickerShown);
        EXPECT_EQ(form.find<CiSwitchLedX>("m_iSwitchLedX7")->isVisible(), mode.openFileShown);
        EXPECT_EQ(form.find<QPushButton>("openFileButton")->isVisible(), mode.openFileShown);
        EXPECT_EQ(form.find<QPushButton>("testButton")->isVisible(), mode.testShown);
        EXPECT_FALSE(form.find<CiSwitchLedX>("m_iSwitchLedX8")->isVisible());
        // Debug leaves the legend as the mode before it left it.
        EXPECT_EQ(plot()->GetLegend(0)->visible(), mode.legendShown);
        EXPECT_EQ(form.find<CiSwitchRockerX>("m_iSwitchRockerX1")->isVisible(), mode.position == 1);
        // Recorded data and live values can be zoomed into; parameters and debug leave it.
        EXPECT_EQ(plot()->customPlot()->interactions().testFlag(QCP::iRangeZoom),
                  mode.state == 2 || mode.state == 0);
    }
    EXPECT_TRUE(form.prompt.shown().empty());
}

TEST_F(ModeTest, LeavingRealtimeWhileConnectedAsksAndNoKeepsTheWorker)
{
    connect();
    form.prompt.answer(PromptAnswer::No);
    turnTo(2);

    const auto shown = form.prompt.shown();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].text, "Do you want to exit the communication connection?");
    EXPECT_EQ(shown[0].caption, "Notice");
    EXPECT_EQ(shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(rotary()->GetPosition(), 0);
    EXPECT_EQ(form.view->iSwitchRotaryX_state(), 0);
    EXPECT_EQ(statusLamp()->GetCenterLabelText(), "Realtime Monitor");
    EXPECT_TRUE(connectSwitch()->GetActive());
    EXPECT_TRUE(form.view->engine().workerRunning());

    form.prompt.answer(PromptAnswer::Yes);
    turnTo(1);
    EXPECT_EQ(form.view->iSwitchRotaryX_state(), 1);
    EXPECT_FALSE(connectSwitch()->GetActive());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form.view->engine().workerRunning(); }, 5000));
}

TEST_F(ModeTest, LeavingRealtimeWhileNotConnectedAsksNothing)
{
    turnTo(3);
    turnTo(0);
    turnTo(4);
    EXPECT_TRUE(form.prompt.shown().empty());
}

TEST_F(ModeTest, ConnectedRefreshRecordsAndWatchesAndOtherModesStopBoth)
{
    connect();
    form.refresh();
    EXPECT_TRUE(form.schedule().recording()); // recording
    EXPECT_TRUE(form.schedule().watching()); // the watchdog, started by the first reply

    // Debug stops the worker but leaves the timers alone.
    turnTo(4);
    EXPECT_TRUE(form.schedule().recording());
    EXPECT_TRUE(form.schedule().watching());

    turnTo(0);
    form.refresh(); // switch off now: the refresh stops both
    EXPECT_FALSE(form.schedule().recording());
    EXPECT_FALSE(form.schedule().watching());

    connect();
    form.refresh();
    ASSERT_TRUE(form.schedule().recording());
    turnTo(2);
    EXPECT_FALSE(form.schedule().recording());
    EXPECT_FALSE(form.schedule().watching());
}

TEST_F(ModeTest, RealtimeRefreshBlinksTheLampsAndPlotsEveryQuantity)
{
    connect();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return form.find<CiLedRectangleX>("m_OutOfSpecificationLED1")->isVisible(); }, 2000));
    auto* slotLamp = form.find<CiLedRectangleX>("m_OutOfSpecificationLED1");
    EXPECT_EQ(slotLamp->GetCenterLabelText(), "Normal");

    const bool statusBefore = statusLamp()->GetActive();
    const bool slotBefore = slotLamp->GetActive();
    form.refresh();
    EXPECT_NE(statusLamp()->GetActive(), statusBefore);
    EXPECT_NE(slotLamp->GetActive(), slotBefore);
    form.refresh();
    EXPECT_EQ(statusLamp()->GetActive(), statusBefore);

    for (int q = 0; q < 9; ++q)
        EXPECT_EQ(plot()->GetChannel(q)->pointCount(), 2) << q;
    const auto power = plot()->GetChannel(3)->graph()->data();
    EXPECT_DOUBLE_EQ((power->constEnd() - 1)->value, 1500.0);
}

TEST_F(ModeTest, NoCurveIsShownWhileTheSlotSwitchIsOff)
{
    auto* slider = form.find<CiSwitchSliderX>("m_iSwitchSliderX1");
    const auto visibleChannels = [this] {
        std::vector<int> shown;
        for (int q = 0; q < 9; ++q)
            if (plot()->GetChannel(q)->visible())
                shown.push_back(q);
        return shown;
    };
    form.refresh();
    auto* slotSwitch = form.find<CiSwitchLedX>("m_iSwitchLedX1");
    EXPECT_TRUE(slotSwitch->isVisible());
    EXPECT_EQ(slotSwitch->indicatorHeight(), 0);
    EXPECT_TRUE(visibleChannels().empty());

    QTest::mouseClick(slotSwitch, Qt::LeftButton);
    ASSERT_TRUE(slotSwitch->GetActive());
    form.refresh();
    EXPECT_EQ(visibleChannels(), std::vector<int>{3}); // the slider starts on output power
    EXPECT_EQ(slotSwitch->indicatorHeight(), 3);

    slider->setPosition(8);
    emit slider->positionChanged(8);
    form.refresh();
    EXPECT_EQ(visibleChannels(), std::vector<int>{8});
    EXPECT_EQ(plot()->yAxisCount(), 1);
    EXPECT_EQ(plot()->GetYAxis(0)->title(), "Temperature (°C)");
    EXPECT_DOUBLE_EQ(plot()->GetYAxis(0)->span(), 150.0);

    QTest::mouseClick(slotSwitch, Qt::LeftButton);
    form.refresh();
    EXPECT_TRUE(visibleChannels().empty());
}

// The watchdog declares the link lost after 40 silent ticks; the lamps then stay dark,
// instead of being lit again by the blinking, until a reply comes back.
TEST_F(ModeTest, LostLinkKeepsTheLampsDarkUntilAReplyComesBack)
{
    connect();
    // The registration progress counts ten refreshes; the watchdog counts once it is over.
    for (int tick = 0; tick < 12; ++tick)
        form.refresh();
    ASSERT_TRUE(form.schedule().watching());
    auto* slotLamp = form.find<CiLedRectangleX>("m_OutOfSpecificationLED1");

    link.respondWith({});
    for (int tick = 0; tick < 45 && form.schedule().watching(); ++tick)
        form.watchdogTick();
    EXPECT_FALSE(form.schedule().watching());
    EXPECT_FALSE(form.schedule().recording());
    EXPECT_FALSE(statusLamp()->GetActive());
    form.refresh();
    form.refresh();
    EXPECT_FALSE(statusLamp()->GetActive());
    EXPECT_FALSE(slotLamp->GetActive());

    answerEveryRequest(link);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            form.refresh();
            return form.schedule().watching();
        },
        5000));
    form.watchdogTick(); // the reply is taken: the link is back
    form.refresh();
    EXPECT_TRUE(statusLamp()->GetActive());
}

TEST_F(ModeTest, NoPointIsPlottedDuringALossAndTheCurvesBreakThere)
{
    connect();
    for (int tick = 0; tick < 12; ++tick)
        form.refresh();
    ASSERT_TRUE(form.schedule().watching());
    const int live = plot()->GetChannel(3)->pointCount();
    ASSERT_GT(live, 0);

    link.respondWith({});
    for (int tick = 0; tick < 45 && form.schedule().watching(); ++tick)
        form.watchdogTick();
    ASSERT_FALSE(form.schedule().watching());
    for (int tick = 0; tick < 3; ++tick)
        form.refresh();
    for (int q = 0; q < 9; ++q) {
        SCOPED_TRACE(q);
        const auto data = plot()->GetChannel(q)->graph()->data();
        // One break and nothing more: the line shows a gap from the last live value on.
        EXPECT_EQ(data->size(), live + 1);
        EXPECT_TRUE(std::isnan((data->constEnd() - 1)->value));
    }
}

TEST_F(ModeTest, NoPointIsPlottedBeforeTheFirstValidatedReply)
{
    // The inverter registers but never answers a poll.
    link.respondWith([](FakeLink& l, const FakeLink::Sent& sent) {
        const auto at = sent.atMs + 5;
        if (sent.bytes.at(kOffsetFunction) == kFunctionQuerySerial) {
            const QByteArray serial("A1B2C3D4E5");
            l.arrive(at, replyFrame(0x80, {serial.begin(), serial.end()}, 0x00));
        } else if (sent.bytes.at(kOffsetFunction) == kFunctionAssignAddress) {
            l.arrive(at, replyFrame(0x81, std::vector<std::uint8_t>(11, 0), 0x00));
        }
    });
    QTest::mouseClick(connectSwitch(), Qt::LeftButton);
    ASSERT_TRUE(connectSwitch()->GetActive());
    for (int tick = 0; tick < 3; ++tick)
        form.refresh();
    for (int q = 0; q < 9; ++q)
        EXPECT_EQ(plot()->GetChannel(q)->pointCount(), 0) << q;
}

TEST_F(ModeTest, AnsweringNoToLeavingRealtimeKeepsThePlot)
{
    connect();
    form.refresh();
    form.refresh();
    ASSERT_EQ(plot()->GetChannel(3)->pointCount(), 2);
    form.prompt.answer(PromptAnswer::No);
    turnTo(2);
    ASSERT_EQ(rotary()->GetPosition(), 0);
    for (int q = 0; q < 9; ++q)
        EXPECT_EQ(plot()->GetChannel(q)->pointCount(), 2) << q;
}

TEST_F(ModeTest, RealtimeShowsItsOwnSpanAgainAfterHistoryReview)
{
    CiPlotAxisX* x = plot()->GetXAxis(0);
    turnTo(2);
    x->SetMin(40000.0);
    x->SetSpan(31.0);
    turnTo(0);
    EXPECT_DOUBLE_EQ(x->span(), kRealtimeSpanDays);
    // The form's clock stands at 2011-5-7 12:00; the live span ends at or after it.
    const double now = dayValueFrom(QDateTime(QDate(2011, 5, 7), QTime(12, 0, 0)));
    EXPECT_LE(x->min(), now);
    EXPECT_GE(x->min() + x->span(), now);
    EXPECT_TRUE(plot()->following());
}

TEST_F(ModeTest, ZoomingLiveValuesHoldsTheViewUntilADoubleClick)
{
    connect();
    form.refresh();
    QCustomPlot* custom = plot()->customPlot();
    custom->replot();
    const QPoint centre = custom->axisRect()->rect().center();
    QWheelEvent wheel(centre, custom->mapToGlobal(centre), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(custom, &wheel);
    EXPECT_FALSE(plot()->following());
    const QCPRange zoomed = custom->xAxis->range();
    EXPECT_LT(zoomed.size(), plotSpanFromDays(kRealtimeSpanDays));

    // Points far past the view leave it where the user put it.
    auto* power = plot()->GetChannel(3);
    power->AddXY(plot()->GetXAxis(0)->min() + 1.0, 1000.0);
    EXPECT_DOUBLE_EQ(custom->xAxis->range().lower, zoomed.lower);

    QTest::mouseDClick(custom, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(plot()->following());
    EXPECT_NEAR(custom->xAxis->range().size(), plotSpanFromDays(kRealtimeSpanDays), 1e-6);
    // A millisecond for the rounding of day values to seconds.
    EXPECT_GE(custom->xAxis->range().upper + 1e-3, (power->graph()->data()->constEnd() - 1)->key);
}

TEST_F(ModeTest, ButtonsAndRockersReachTheOwner)
{
    QTest::mouseClick(form.find<QPushButton>("helpButton"), Qt::LeftButton);
    QTest::mouseClick(form.find<QPushButton>("selectComButton"), Qt::LeftButton);
    turnTo(4);
    QTest::mouseClick(form.find<QPushButton>("testButton"), Qt::LeftButton);
    turnTo(1);
    QTest::mouseClick(form.find<CiSwitchRockerX>("m_iSwitchRockerX1"), Qt::LeftButton);
    EXPECT_EQ(form.actions.help, 1);
    EXPECT_EQ(form.actions.selectCom, 1);
    EXPECT_EQ(form.actions.test, 1);
    EXPECT_EQ(form.actions.rockers, std::vector<int>{1});
}

} // namespace
} // namespace veltroma::test
