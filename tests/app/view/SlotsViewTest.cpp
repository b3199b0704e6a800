#include "ViewTestSupport.h"

#include "app/view/FormLook.h"
#include "app/view/QuantityAxes.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "channel/Channel.h"
#include "controls/ComboListCtrl.h"
#include "monitor/DailyRecorder.h"
#include "support/FakeLink.h"
#include "support/InverterSim.h"
#include "support/VirtualClock.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

constexpr int kPower = static_cast<int>(Quantity::Pac);

// The form for three inverters on the bus, driven by the engine's events as the worker sends
// them; the link stays silent, so nothing but the test changes what the form shows.
class SlotsViewTest : public ::testing::Test {
protected:
    SlotsViewTest() : link(clock), form(link, clock, nullptr, std::nullopt, threeInverters()) {}

    static InverterSlots threeInverters()
    {
        InverterSlots inverters;
        inverters.count = 3;
        return inverters;
    }

    template <typename T>
    T* slotControl(const char* base, int slot) const
    {
        return form.find<T>(QStringLiteral("%1%2").arg(QLatin1String(base)).arg(slot).toLatin1());
    }
    CiLedRectangleX* lamp(int slot) const { return slotControl<CiLedRectangleX>("m_OutOfSpecificationLED", slot); }
    CiSwitchLedX* slotSwitch(int slot) const { return slotControl<CiSwitchLedX>("m_iSwitchLedX", slot); }
    CiPlotX* plot() const { return form.find<CiPlotX>("m_iPlotX"); }

    // The connect switch on, as the user leaves it once the inverters are registered.
    void connected() const { form.find<CiSwitchLedX>("m_iSwitchLedX0")->SetActive(true); }

    // A reading of `slot` reached the form, its lamp showing the state.
    void reply(int slot) const
    {
        Reading reading;
        reading.slot = slot;
        emit form.session->events().readingDecoded(reading);
        lamp(slot)->SetVisible(true);
        QCoreApplication::processEvents();
    }

    // Over two refreshes (a lamp blinks, lit every other second): the slots lit in either.
    std::vector<int> litOverTwoRefreshes() const
    {
        std::vector<bool> lit(kSlotEntries, false);
        for (int refresh = 0; refresh < 2; ++refresh) {
            form.refresh();
            for (int slot = 1; slot <= 3; ++slot)
                lit[std::size_t(slot)] = lit[std::size_t(slot)] || lamp(slot)->GetActive();
        }
        std::vector<int> litSlots;
        for (int slot = 1; slot <= 3; ++slot)
            if (lit[std::size_t(slot)])
                litSlots.push_back(slot);
        return litSlots;
    }

    std::vector<int> visibleChannels() const
    {
        std::vector<int> shown;
        for (int c = 0; c < plot()->channelCount(); ++c)
            if (plot()->GetChannel(c)->visible())
                shown.push_back(c);
        return shown;
    }

    void turnTo(int position) const
    {
        auto* rotary = form.find<CiSwitchRotaryX>("m_iSwitchRotaryX1");
        rotary->SetPosition(position);
        emit rotary->positionChanged(position);
    }

    VirtualClock clock;
    FakeLink link;
    ViewHarness form;
};

TEST_F(SlotsViewTest, TheFormHasARowSwitchLampAndCurveSetPerSlot)
{
    EXPECT_EQ(form.view->slotCount(), 3);
    EXPECT_EQ(plot()->channelCount(), 3 * CiPlotX::kChannelCount);
    form.refresh();
    for (int slot = 1; slot <= 3; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_TRUE(slotSwitch(slot)->isVisible());
        // Unnamed until registered: the slot's own name.
        EXPECT_EQ(slotSwitch(slot)->caption(), QStringLiteral("Inverter %1").arg(slot));
        // A switch lights in the colour of its slot's curves.
        EXPECT_EQ(slotSwitch(slot)->indicatorColor(), formlook::slotColor(slot));
        EXPECT_EQ(plot()->GetChannel(curveChannel(slot, kPower))->color(), formlook::slotColor(slot));
        EXPECT_EQ(plot()->GetChannel(curveChannel(slot, kPower))->graph()->brush().style(), Qt::NoBrush);
    }
    EXPECT_FALSE(slotSwitch(4)->isVisible());
    EXPECT_NE(formlook::slotColor(1), formlook::slotColor(2));

    emit form.session->events().registered(2, QStringLiteral("VT24000124"));
    QCoreApplication::processEvents();
    EXPECT_EQ(slotSwitch(2)->caption(), "VT24000124");
    EXPECT_EQ(slotSwitch(1)->caption(), "Inverter 1");
}

TEST_F(SlotsViewTest, ALostSlotsLampGoesDarkWhileTheOthersBlinkOnUntilItAnswersAgain)
{
    connected();
    for (int slot = 1; slot <= 3; ++slot)
        reply(slot);
    EXPECT_EQ(litOverTwoRefreshes(), (std::vector<int>{1, 2, 3}));

    emit form.session->events().slotLost(2);
    QCoreApplication::processEvents();
    EXPECT_FALSE(lamp(2)->GetActive());
    EXPECT_EQ(litOverTwoRefreshes(), (std::vector<int>{1, 3}));

    reply(2);
    EXPECT_EQ(litOverTwoRefreshes(), (std::vector<int>{1, 2, 3}));
}

TEST_F(SlotsViewTest, ALostLinkDarkensEveryLampAndOnlyAReplyLightsOneAgain)
{
    connected();
    for (int slot = 1; slot <= 3; ++slot)
        reply(slot);
    LinkState lost;
    lost.kind = LinkState::Kind::Lost;
    emit form.session->events().linkStateChanged(lost);
    QCoreApplication::processEvents();
    for (int slot = 1; slot <= 3; ++slot)
        EXPECT_FALSE(lamp(slot)->GetActive()) << slot;

    // The link is back (the engine's state is alive again); slot 3 has replied since.
    reply(3);
    EXPECT_EQ(litOverTwoRefreshes(), std::vector<int>{3});
}

TEST_F(SlotsViewTest, EachSlotsSwitchShowsOrHidesItsOwnCurves)
{
    for (int slot = 1; slot <= 3; ++slot)
        QTest::mouseClick(slotSwitch(slot), Qt::LeftButton);
    form.refresh();
    // The slider starts on output power: one curve of it per slot.
    EXPECT_EQ(visibleChannels(), (std::vector<int>{curveChannel(1, kPower), curveChannel(2, kPower),
                                                   curveChannel(3, kPower)}));

    QTest::mouseClick(slotSwitch(2), Qt::LeftButton);
    form.refresh();
    EXPECT_EQ(visibleChannels(), (std::vector<int>{curveChannel(1, kPower), curveChannel(3, kPower)}));
}

TEST_F(SlotsViewTest, HistoryReadsTheRecordsOfTheFirstSlotWhoseSwitchIsOn)
{
    // Rows of slot 2 only, in its own folder.
    DailyRecorder recorder;
    const QDate day(2011, 5, 7);
    for (const auto& [time, power] : {std::pair{QTime(9, 5, 3), 1500}, std::pair{QTime(12, 0, 0), 2800}}) {
        InverterModel model;
        model.paths = LoadDataSet(form.folder(), QDateTime(day, time), 2);
        model.realtimeDecoded = true;
        model.recordSlot = 2;
        model.NewRow = {model.paths.sExcelColumA, "340.0", "230.0", "50.00", QString::number(power),
                        "12.3", "480", "12345.6", "4096", "30.0", "Normal"};
        recorder.record(model);
    }
    ASSERT_TRUE(QFileInfo::exists(form.folder() + "Data/Inverter2/2011-5.xls"));

    QTest::mouseClick(slotSwitch(2), Qt::LeftButton);
    QTest::mouseClick(slotSwitch(3), Qt::LeftButton);
    EXPECT_EQ(form.view->activeSlot(), 2);
    turnTo(2);
    form.find<QDateEdit>("m_graphtime")->setDate(day);
    form.refresh();
    ASSERT_TRUE(form.historyRead());
    EXPECT_EQ(form.view->history().shownFile(), form.folder() + "Data/Inverter2/2011-5.xls");
    EXPECT_GT(plot()->GetChannel(curveChannel(2, kPower))->pointCount(), 0);
    EXPECT_EQ(plot()->GetChannel(curveChannel(1, kPower))->pointCount(), 0);
    EXPECT_TRUE(plot()->GetChannel(curveChannel(2, kPower))->visible());

    // Slot 1 switched on comes first: its folder is read, and slot 2's curves go.
    QTest::mouseClick(slotSwitch(1), Qt::LeftButton);
    form.refresh();
    ASSERT_TRUE(form.historyRead());
    EXPECT_EQ(form.view->history().shownFile(), form.folder() + "Data/Inverter1/2011-5.xls");
    EXPECT_EQ(plot()->GetChannel(curveChannel(2, kPower))->pointCount(), 0);

    // Open data file reads the chosen month into the curves of the active slot.
    QTest::mouseClick(slotSwitch(1), Qt::LeftButton);
    turnTo(3);
    form.prompt.chooseFile(form.folder() + "Data/Inverter2/2011-5.xls");
    form.find<QPushButton>("openFileButton")->click();
    ASSERT_TRUE(form.historyRead());
    EXPECT_GT(plot()->GetChannel(curveChannel(2, kPower))->pointCount(), 0);
    EXPECT_EQ(plot()->GetChannel(curveChannel(1, kPower))->pointCount(), 0);
}

TEST_F(SlotsViewTest, SeveralAnsweringAtOnceIsToldOnceInAMessageAndStaysOnTheStatusLine)
{
    connected();
    emit form.session->events().severalAnswering();
    emit form.session->events().severalAnswering();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form.prompt.texts().isEmpty(); }, 2000));
    // Time for a second message, were one to come.
    QTest::qWait(100);
    const QString told = g_LoadString("IDC_SEVERAL_ANSWERING");
    EXPECT_EQ(form.prompt.texts(), QStringList{told});
    form.refresh();
    EXPECT_TRUE(form.view->statusLine().text().contains(g_LoadString("IDC_STATUS_SEVERALANSWERING")));
    EXPECT_TRUE(form.find<QLabel>("statusLine")->toolTip().contains("one at a time"));
}


// Three simulated inverters on one pseudo-terminal, their serial numbers in the settings: the
// connection gives each its address by serial, then polls them in turn. Timers as in
// SimulatorViewTest: a refresh every 50 ms, a watchdog tick every 20 ms.
TEST(ThreeSimulatedInvertersTest, EachFillsItsRowLightsItsLampAndGrowsItsCurve)
{
    InverterSim::Options options;
    options.otherUnits = {QString(), QString()};
    options.extraArguments = {QStringLiteral("--start-time"), QStringLiteral("12:00")};
    InverterSim sim(options);
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    ScriptedPrompt channelPrompt;
    Channel channel(steadyClock(), channelPrompt);
    channel.COMM_CFG = sim.portPath() + QStringLiteral(",9600,8,N,1");
    channel.PortInit(0);
    ASSERT_TRUE(channel.ChannelOK());
    InverterSlots bus;
    bus.count = 3;
    bus.serials = {QString(), QStringLiteral("A1B2C3D4E5"), QStringLiteral("VT24000124"),
                   QStringLiteral("VT24000125")};
    RecordingProgress progress;
    ViewHarness form(channel, steadyClock(), &progress, EngineTimerIntervals{50, 3'600'000, 20}, bus);

    QTest::mouseClick(form.find<CiSwitchLedX>("m_iSwitchLedX0"), Qt::LeftButton);
    const auto* list = form.find<CComboListCtrl>("m_DisplayList");
    auto* plot = form.find<CiPlotX>("m_iPlotX");
    const auto everySlot = [&](const std::function<bool(int)>& holds) {
        for (int slot = 1; slot <= 3; ++slot)
            if (!holds(slot))
                return false;
        return true;
    };
    // Two points each: one is no curve yet.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return everySlot([&](int slot) {
                return plot->GetChannel(curveChannel(slot, kPower))->pointCount() >= 2;
            });
        },
        20000));
    for (int slot = 1; slot <= 3; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_FALSE(list->GetItemText(slot - 1, kPower).trimmed().isEmpty());
        EXPECT_TRUE(form.find<CiLedRectangleX>(QStringLiteral("m_OutOfSpecificationLED%1").arg(slot).toLatin1())
                        ->isVisible());
        auto* slotSwitch = form.find<CiSwitchLedX>(QStringLiteral("m_iSwitchLedX%1").arg(slot).toLatin1());
        EXPECT_EQ(slotSwitch->caption(), bus.serials[std::size_t(slot)]);
        // The registration switched each on: its curve shows.
        EXPECT_TRUE(slotSwitch->GetActive());
        EXPECT_TRUE(plot->GetChannel(curveChannel(slot, kPower))->visible());
    }
    // The fourth row belongs to no inverter.
    EXPECT_TRUE(list->GetItemText(3, kPower).trimmed().isEmpty());
    QTest::mouseClick(form.find<CiSwitchLedX>("m_iSwitchLedX0"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.view->engine().switching(); }, 10000));
}

} // namespace
} // namespace veltroma::test
