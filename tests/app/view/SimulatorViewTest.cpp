#include "ViewTestSupport.h"

#include "app/view/QuantityAxes.h"
#include "channel/Channel.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/ColorRef.h"
#include "support/InverterSim.h"

#include <QElapsedTimer>
#include <qcustomplot.h>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// The form on the real channel, talking to the simulated inverter over its pseudo-terminal.
// The refresh runs every 50 ms so that the ten steps of the registration progress pass in
// half a second; the watchdog ticks every 20 ms, so a lost link shows after 0.8 s.
class SimulatorViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InverterSim::Options options;
        options.extraArguments = {QStringLiteral("--start-time"), QStringLiteral("12:00")};
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        channel = std::make_unique<Channel>(steadyClock(), channelPrompt);
        channel->COMM_CFG = sim->portPath() + QStringLiteral(",9600,8,N,1");
        channel->PortInit(0);
        ASSERT_TRUE(channel->ChannelOK());
        form = std::make_unique<ViewHarness>(*channel, steadyClock(), &progress,
                                             EngineTimerIntervals{50, 3'600'000, 20});
    }

    template <typename T>
    T* find(const char* name) const
    {
        return form->find<T>(name);
    }

    CComboListCtrl* list() const { return find<CComboListCtrl>("m_DisplayList"); }
    CiLedRectangleX* statusLamp() const { return find<CiLedRectangleX>("m_iLedRectangleX1"); }

    // Turns "Communication Connect" on; returns once the progress has closed.
    void connect() const { QTest::mouseClick(find<CiSwitchLedX>("m_iSwitchLedX0"), Qt::LeftButton); }
    // Turns it off; returns once the worker has stopped.
    void disconnect() const
    {
        QTest::mouseClick(find<CiSwitchLedX>("m_iSwitchLedX0"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form->view->engine().switching(); }, 10000));
    }
    CiSwitchLedX* slotSwitch() const { return find<CiSwitchLedX>("m_iSwitchLedX1"); }

    // Points of the AC power curve that carry a value (a break is a point without one).
    int livePowerPoints() const
    {
        auto* plot = find<CiPlotX>("m_iPlotX");
        const auto data = plot->GetChannel(curveChannel(bInverterAdrNow, int(Quantity::Pac)))
                              ->graph()->data();
        return int(std::count_if(data->constBegin(), data->constEnd(),
                                 [](const QCPGraphData& point) { return !std::isnan(point.value); }));
    }

    ScriptedPrompt channelPrompt;
    RecordingProgress progress;
    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<Channel> channel;
    std::unique_ptr<ViewHarness> form;
};

TEST_F(SimulatorViewTest, ConnectRegistersShowsTheProgressAndFillsTheForm)
{
    // The window keeps serving events while the registration talks to the inverter: the
    // largest gap between two 10 ms timer events, from the click until the assignment went
    // out. The registration itself takes over a second on this link, so a registration on
    // this thread would show as a gap of that size; 100 ms leaves room for a loaded machine.
    QElapsedTimer sinceLast;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceLast.restart());
    });
    probe.start();
    // The form's first painting is not part of the measure.
    QTest::qWait(300);
    sinceLast.start();
    longestGap = 0;
    connect();
    EXPECT_EQ(progress.shown, 1);
    EXPECT_EQ(progress.positions,
              (std::vector<unsigned>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(progress.closes, 1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return sim->requests().size() >= 4; }, 5000));
    probe.stop();
    EXPECT_LT(longestGap, 100);

    const auto requests = sim->requests();
    ASSERT_GE(requests.size(), 4);
    EXPECT_EQ(requests[0].bytes, QByteArray::fromHex("435A0000000000030000A0"));
    EXPECT_EQ(requests[1].bytes, requests[0].bytes);
    EXPECT_EQ(requests[2].bytes, QByteArray::fromHex("435A00000000000000009D"));
    EXPECT_TRUE(requests[3].bytes.startsWith(QByteArray::fromHex("435A0000000000010B") + "A1B2C3D4E5"));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return find<CiSwitchLedX>("m_iSwitchLedX1")->caption() == "A1B2C3D4E5"; }, 1000));

    // The total counter shows the reply's total from the first reply on; the minutes of the
    // day come with the settings block that follows it.
    const auto* total = find<CiOdometerX>("m_iOdometerX2");
    ASSERT_TRUE(QTest::qWaitFor([total] { return total->value() > 0.0; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !list()->GetItemText(0, 5).trimmed().isEmpty(); },
                                5000));
    const InverterModel model = form->view->engine().snapshot();
    const InverterValues& v = model.values;
    EXPECT_EQ(list()->GetItemText(0, 0), QString::asprintf("%.1f", v.Vpv[1]));
    EXPECT_EQ(list()->GetItemText(0, 2), QString::asprintf("%.2f", v.Fac[1]));
    EXPECT_EQ(list()->GetItemText(0, 3), QString::asprintf("%.0f", v.Pac[1]));
    EXPECT_EQ(list()->GetItemText(0, 5), QString::asprintf("%.0f", v.Htoday[1]));
    EXPECT_EQ(list()->GetItemText(0, 8), QString::asprintf("%.1f", v.TemperatureValue[1]));
    EXPECT_GT(v.Pac[1], 0.0F);
    for (int row = 1; row < 9; ++row)
        EXPECT_EQ(list()->GetItemText(row, 0), " ") << row;

    const auto* gauge = find<CiAngularGaugeX>("m_iAngularGaugeX1");
    EXPECT_EQ(gauge->label1Text(), QString::asprintf("%.3fkW", double(v.Pac[1]) / 1000.0));
    EXPECT_DOUBLE_EQ(gauge->position(), double(v.Pac[1]) / 1000.0);
    EXPECT_EQ(gauge->label2Text(), "Total Power (kW)");
    EXPECT_DOUBLE_EQ(find<CiOdometerX>("m_iOdometerX1")->value(), double(v.Etoday[1]));
    // The total odometer and the list show the same reply's total.
    EXPECT_DOUBLE_EQ(total->value(), double(v.Etotal[1]));
    EXPECT_EQ(total->readout().toDouble(), list()->GetItemText(0, 6).toDouble());

    const auto* lamp = find<CiLedRectangleX>("m_OutOfSpecificationLED1");
    EXPECT_TRUE(lamp->isVisible());
    EXPECT_EQ(lamp->GetCenterLabelText(), "Normal");
    EXPECT_EQ(colorRefFrom(lamp->activeColor()), colorRef(0, 255, 0));
    EXPECT_TRUE(channelPrompt.shown().empty());
}

TEST_F(SimulatorViewTest, PulledCableDarkensTheLampsUntilTheLinkIsBack)
{
    const EngineSchedule& schedule = form->schedule();
    connect();
    ASSERT_TRUE(QTest::qWaitFor([&schedule] { return schedule.watching(); }, 5000));

    ASSERT_TRUE(sim->command(QStringLiteral("silent on")));
    ASSERT_TRUE(QTest::qWaitFor([&schedule] { return !schedule.watching(); }, 10000));
    EXPECT_FALSE(schedule.recording());
    // Dark for a while, not blinking.
    const auto* slotLamp = find<CiLedRectangleX>("m_OutOfSpecificationLED1");
    for (int i = 0; i < 5; ++i) {
        QTest::qWait(60);
        EXPECT_FALSE(statusLamp()->GetActive());
        EXPECT_FALSE(slotLamp->GetActive());
    }

    ASSERT_TRUE(sim->command(QStringLiteral("silent off")));
    EXPECT_TRUE(QTest::qWaitFor([this] { return statusLamp()->GetActive(); }, 10000));
    EXPECT_TRUE(schedule.watching());
}

TEST_F(SimulatorViewTest, TheSlotSwitchNamesTheInverterAndShowsItsCurveOnceRegistered)
{
    // Before any registration it names the inverter, in history review too.
    EXPECT_EQ(slotSwitch()->caption(), "Inverter");
    EXPECT_FALSE(slotSwitch()->GetActive());
    auto* rotary = find<CiSwitchRotaryX>("m_iSwitchRotaryX1");
    rotary->SetPosition(2);
    emit rotary->positionChanged(2);
    form->refresh();
    EXPECT_TRUE(slotSwitch()->isVisible());
    EXPECT_EQ(slotSwitch()->caption(), "Inverter");
    rotary->SetPosition(0);
    emit rotary->positionChanged(0);

    connect();
    ASSERT_TRUE(QTest::qWaitFor([this] { return slotSwitch()->GetActive(); }, 5000));
    EXPECT_EQ(slotSwitch()->caption(), "A1B2C3D4E5");
    auto* plot = find<CiPlotX>("m_iPlotX");
    const int pac = curveChannel(bInverterAdrNow, int(Quantity::Pac));
    // The slider's default quantity is shown once the refresh has run.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (int channel = 0; channel < CiPlotX::kChannelCount; ++channel)
            if (plot->GetChannel(channel)->visible())
                return true;
        return false;
    }, 2000));

    // The user's choice holds for the rest of the connection.
    QTest::mouseClick(slotSwitch(), Qt::LeftButton);
    EXPECT_FALSE(slotSwitch()->GetActive());
    QTest::qWait(300);
    EXPECT_FALSE(slotSwitch()->GetActive());
    EXPECT_FALSE(plot->GetChannel(pac)->visible());

    // The next connection shows it again.
    disconnect();
    connect();
    EXPECT_TRUE(QTest::qWaitFor([this] { return slotSwitch()->GetActive(); }, 5000));
}

TEST_F(SimulatorViewTest, ReconnectingPlotsNoValueOfTheEarlierConnection)
{
    connect();
    ASSERT_TRUE(QTest::qWaitFor([this] { return livePowerPoints() >= 3; }, 10000));
    disconnect();
    const int before = livePowerPoints();

    // The inverter no longer answers: the registration reads nothing and no reply comes,
    // so every point plotted now would be an old value shown as a live one.
    ASSERT_TRUE(sim->command(QStringLiteral("silent on")));
    connect();
    EXPECT_FALSE(form->view->engine().snapshot().realtimeDecoded);
    // The registration's refreshes have run; half a second more of 50 ms refreshes.
    QTest::qWait(500);
    EXPECT_EQ(livePowerPoints(), before);

    // Values come again once the inverter answers.
    ASSERT_TRUE(sim->command(QStringLiteral("silent off")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return livePowerPoints() > before; }, 40000));
}

} // namespace
} // namespace veltroma::test
