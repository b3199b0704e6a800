#include "instruments/InstrumentSamples.h"

#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRockerX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchSliderX.h"
#include "instruments/ColorRef.h"
#include "instruments/DayValue.h"

#include <cmath>
#include <numbers>

namespace veltroma {

namespace {

CiLedRectangleX* lamp(QWidget* parent, const QString& text, std::uint32_t color, bool on)
{
    auto* led = new CiLedRectangleX(parent);
    led->SetActiveColor(color);
    led->SetCenterLabelText(text);
    led->SetActive(on);
    return led;
}

CiOdometerX* odometer(QWidget* parent, double value)
{
    auto* counter = new CiOdometerX(parent);
    counter->setRollDuration(0);
    counter->setDecimalCount(1);
    counter->SetValue(value);
    return counter;
}

CiPlotX* trend(QWidget* parent)
{
    auto* plot = new CiPlotX(parent);
    const QDateTime end(QDate(2024, 6, 18), QTime(13, 20, 0));
    plot->setWallClock([end] { return end; });
    plot->setLegendTitle(QStringLiteral("Registed Inverters"));
    const QStringList titles{"DC Voltage", "AC Voltage", "frequency", "AC Power", "TodayEnergy",
                             "TodayMinutes", "TotalEnergy", "TotalHours", "Temperature"};
    for (int i = 0; i < CiPlotX::kChannelCount; ++i) {
        plot->GetChannel(i)->setTitle(titles[i]);
        plot->GetChannel(i)->SetVisible(i == 3);
    }
    plot->GetXAxis(0)->SetSpan(0.04);
    plot->GetXAxis(0)->SetDateTimeFormat(QStringLiteral("yyyy-m-d h:nn:ss"));
    plot->RemoveAllYAxes();
    plot->AddYAxis();
    CiPlotAxisX* y = plot->GetYAxis(0);
    y->SetMin(0);
    y->SetTitle(QStringLiteral("Output Power (W)"));
    y->SetSpan(6000);
    y->SetTitleShow(true);

    // An hour of a cloudy midday: power drifting round 4 kW with passing clouds, one
    // sample every ten seconds.
    const double last = dayValueFrom(end);
    for (int k = 360; k >= 0; --k) {
        const double t = last - k * 10.0 / 86400.0;
        const double phase = k / 360.0 * 2 * std::numbers::pi;
        double power = 4100 + 450 * std::sin(phase * 1.7) + 160 * std::sin(phase * 9.3);
        if (k > 120 && k < 150)
            power -= 2300 * std::sin((k - 120) / 30.0 * std::numbers::pi);
        plot->GetChannel(3)->AddXY(t, std::round(power));
        plot->GetChannel(0)->AddXY(t, 380 + power / 60.0);
    }
    return plot;
}

} // namespace

std::vector<InstrumentSample> makeInstrumentSamples(QWidget* parent)
{
    std::vector<InstrumentSample> samples;

    auto* rotary = new CiSwitchRotaryX(parent);
    rotary->SetPositionLabels(QStringLiteral(
        "Realtime Monitor, Parameter Manage,History Data Review,Open Data File,Debug"));
    rotary->SetPosition(0);
    samples.push_back({QStringLiteral("Rotary switch"), rotary, QSize(340, 170)});

    auto* gauge = new CiAngularGaugeX(parent);
    gauge->setRange(0, 40);
    gauge->SetPosition(23.456);
    gauge->SetLabel1Text(QStringLiteral("23.456kW"));
    gauge->SetLabel2Text(QStringLiteral("Total Power"));
    samples.push_back({QStringLiteral("Angular gauge"), gauge, QSize(200, 175)});

    samples.push_back({QStringLiteral("Odometer, energy today"), odometer(parent, 18.7), QSize(120, 34)});
    samples.push_back({QStringLiteral("Odometer, total energy"), odometer(parent, 48213.6), QSize(120, 34)});

    samples.push_back({QStringLiteral("Lamp, normal"),
                       lamp(parent, QStringLiteral("Normal"), colorRef(0, 255, 0), true), QSize(112, 30)});
    samples.push_back({QStringLiteral("Lamp, fault"),
                       lamp(parent, QStringLiteral(" EEPROM Damaged "), colorRef(255, 0, 0), true),
                       QSize(112, 30)});
    samples.push_back({QStringLiteral("Lamp, off"),
                       lamp(parent, QStringLiteral("Wait"), colorRef(0, 255, 0), false), QSize(112, 30)});
    samples.push_back({QStringLiteral("Status lamp"),
                       lamp(parent, QStringLiteral("Parameter Manage"), colorRef(255, 128, 0), true),
                       QSize(236, 29)});

    auto* connect = new CiSwitchLedX(parent);
    connect->SetCaption(QStringLiteral("Communication Connect"));
    connect->SetActive(true);
    samples.push_back({QStringLiteral("LED switch, on"), connect, QSize(160, 28)});
    auto* slot = new CiSwitchLedX(parent);
    slot->SetCaption(QStringLiteral("A1B2C3D4E5"));
    slot->SetIndicatorHeight(3);
    samples.push_back({QStringLiteral("LED switch, off"), slot, QSize(112, 25)});

    auto* rockerOn = new CiSwitchRockerX(parent);
    rockerOn->setOn(true);
    samples.push_back({QStringLiteral("Rocker, on"), rockerOn, QSize(22, 32)});
    samples.push_back({QStringLiteral("Rocker, off"), new CiSwitchRockerX(parent), QSize(22, 32)});

    auto* slider = new CiSwitchSliderX(parent);
    slider->setPosition(3);
    samples.push_back({QStringLiteral("Slider"), slider, QSize(600, 24)});

    samples.push_back({QStringLiteral("Plot"), trend(parent), QSize(900, 300)});
    return samples;
}

} // namespace veltroma
