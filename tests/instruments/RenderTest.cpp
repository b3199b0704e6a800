#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRockerX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchSliderX.h"
#include "instruments/ColorRef.h"
#include "instruments/InstrumentSamples.h"

#include <QImage>
#include <QSet>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace veltroma {
namespace {

QImage shoot(QWidget& widget)
{
    widget.resize(widget.sizeHint());
    if (auto* plot = widget.findChild<QCustomPlot*>())
        plot->replot();
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Painted artwork has gradients and antialiased edges: many colours, not one fill.
int colourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            colours.insert(line[x]);
    }
    return int(colours.size());
}

struct TwoStates {
    const char* name;
    std::function<QWidget*(QWidget*)> make;
    std::function<void(QWidget*)> change;
};

class RenderTest : public ::testing::TestWithParam<TwoStates> {};

TEST_P(RenderTest, DrawsSomethingAndShowsTheChange)
{
    QWidget host;
    const TwoStates& c = GetParam();
    QWidget* widget = c.make(&host);
    ASSERT_FALSE(widget->sizeHint().isEmpty());
    const QImage before = shoot(*widget);
    EXPECT_GE(colourCount(before), 16) << c.name << " looks blank";
    c.change(widget);
    const QImage after = shoot(*widget);
    EXPECT_NE(before, after) << c.name << " did not show its change";
}

template <typename W>
W* as(QWidget* w)
{
    return static_cast<W*>(w);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, RenderTest,
    ::testing::Values(
        TwoStates{"lamp",
                  [](QWidget* p) {
                      auto* w = new CiLedRectangleX(p);
                      w->SetCenterLabelText(QStringLiteral("Normal"));
                      return w;
                  },
                  [](QWidget* w) { as<CiLedRectangleX>(w)->SetActive(true); }},
        TwoStates{"gauge",
                  [](QWidget* p) {
                      auto* w = new CiAngularGaugeX(p);
                      w->setRange(0, 40);
                      w->SetPosition(5);
                      return w;
                  },
                  [](QWidget* w) { as<CiAngularGaugeX>(w)->SetPosition(31.5); }},
        TwoStates{"odometer",
                  [](QWidget* p) {
                      auto* w = new CiOdometerX(p);
                      w->SetValue(1234);
                      return w;
                  },
                  [](QWidget* w) { as<CiOdometerX>(w)->SetValue(1278); }},
        TwoStates{"rotary", [](QWidget* p) { return new CiSwitchRotaryX(p); },
                  [](QWidget* w) { as<CiSwitchRotaryX>(w)->SetPosition(3); }},
        TwoStates{"slider", [](QWidget* p) { return new CiSwitchSliderX(p); },
                  [](QWidget* w) { as<CiSwitchSliderX>(w)->setPosition(5); }},
        TwoStates{"led switch",
                  [](QWidget* p) {
                      auto* w = new CiSwitchLedX(p);
                      w->SetCaption(QStringLiteral("Communication Connect"));
                      return w;
                  },
                  [](QWidget* w) { as<CiSwitchLedX>(w)->SetActive(true); }},
        TwoStates{"rocker", [](QWidget* p) { return new CiSwitchRockerX(p); },
                  [](QWidget* w) { as<CiSwitchRockerX>(w)->setOn(true); }},
        TwoStates{"plot", [](QWidget* p) { return new CiPlotX(p); },
                  [](QWidget* w) {
                      auto* plot = as<CiPlotX>(w);
                      plot->GetChannel(0)->AddYNow(40);
                      plot->GetChannel(0)->AddYNow(60);
                  }}),
    [](const ::testing::TestParamInfo<TwoStates>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(RenderTest, NeedleStopsAtTheEndsOfTheScale)
{
    QWidget host;
    auto* gauge = new CiAngularGaugeX(&host);
    gauge->setRange(0, 40);
    gauge->SetPosition(40);
    const QImage full = shoot(*gauge);
    gauge->SetPosition(55);
    EXPECT_EQ(shoot(*gauge), full);
    gauge->SetPosition(std::nan(""));
    EXPECT_DOUBLE_EQ(gauge->position(), 55);
    gauge->SetPosition(-3);
    const QImage empty = shoot(*gauge);
    gauge->SetPosition(0);
    EXPECT_EQ(shoot(*gauge), empty);
}

TEST(RenderTest, CachedArtworkFollowsAPaletteChange)
{
    // The slider's detent marks are cached artwork in the palette's text colour; a stale
    // cached layer would keep the old colour.
    QWidget host;
    auto* slider = new CiSwitchSliderX(&host);
    slider->resize(slider->sizeHint());
    host.show();
    QPalette palette = slider->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    slider->setPalette(palette);
    const QImage dark = slider->grab().toImage();
    palette.setColor(QPalette::WindowText, Qt::white);
    slider->setPalette(palette);
    EXPECT_NE(slider->grab().toImage(), dark);
}

TEST(RenderTest, ABlinkingLampShowsEveryChangeOfColourAndText)
{
    // Lit and dark are cached looks: after each change the lamp must look exactly as a new
    // lamp made with the same settings, never as it looked before.
    const auto made = [](std::uint32_t color, const QString& text, bool lit) {
        auto lamp = std::make_unique<CiLedRectangleX>();
        lamp->resize(120, 30);
        lamp->SetActiveColor(color);
        lamp->SetCenterLabelText(text);
        lamp->SetActive(lit);
        return lamp;
    };
    const auto green = colorRef(0, 255, 0);
    const auto red = colorRef(255, 0, 0);
    const auto lamp = made(green, QStringLiteral("Normal"), true);
    const QImage greenLit = lamp->grab().toImage();
    lamp->SetActive(false);
    const QImage greenDark = lamp->grab().toImage();
    EXPECT_NE(greenLit, greenDark);
    lamp->SetActive(true);
    EXPECT_EQ(lamp->grab().toImage(), greenLit);

    lamp->SetActiveColor(red);
    EXPECT_EQ(lamp->grab().toImage(), made(red, QStringLiteral("Normal"), true)->grab().toImage());
    lamp->SetActive(false);
    EXPECT_EQ(lamp->grab().toImage(), made(red, QStringLiteral("Normal"), false)->grab().toImage());
    lamp->SetCenterLabelText(QStringLiteral("Fault"));
    EXPECT_EQ(lamp->grab().toImage(), made(red, QStringLiteral("Fault"), false)->grab().toImage());
    lamp->resize(160, 40);
    const auto large = made(red, QStringLiteral("Fault"), true);
    large->resize(160, 40);
    lamp->SetActive(true);
    EXPECT_EQ(lamp->grab().toImage(), large->grab().toImage());
}

TEST(RenderTest, OdometerRollsToTheNewValueWhenShown)
{
    CiOdometerX counter;
    counter.setRollDuration(60);
    counter.resize(counter.sizeHint());
    counter.show();
    counter.SetValue(250);
    EXPECT_DOUBLE_EQ(counter.value(), 250);
    const QImage early = counter.grab().toImage();
    QTest::qWait(200);
    const QImage settled = counter.grab().toImage();
    EXPECT_NE(early, settled);
    CiOdometerX still;
    still.setRollDuration(0);
    still.resize(counter.size());
    still.show();
    still.SetValue(250);
    EXPECT_EQ(still.grab().toImage(), settled);
}

TEST(RenderTest, OdometerReadoutFollowsTheValue)
{
    CiOdometerX counter;
    counter.setDecimalCount(1);
    counter.SetValue(12.3);
    EXPECT_EQ(counter.readout(), QStringLiteral("00012.3"));
    counter.SetValue(-4);
    EXPECT_EQ(counter.readout(), QStringLiteral("00000.0"));
    // Totals are kept as floats, a hair below the tenth they stand for.
    for (const float total : {12349.8F, 4.2F, 99999.9F}) {
        counter.SetValue(double(total));
        EXPECT_EQ(counter.readout().toDouble(), QString::asprintf("%.1f", double(total)).toDouble());
    }
}

TEST(RenderTest, OdometerGrowsByWholeWheelsInsteadOfWrapping)
{
    struct Case {
        double value;
        const char* readout;
        int wheels;
    };
    CiOdometerX counter;
    counter.setRollDuration(0);
    counter.setDecimalCount(1);
    for (const Case& c : {Case{4.1, "00004.1", 6}, Case{99999.9, "99999.9", 6},
                          Case{123456.7, "123456.7", 7}, Case{1234567.8, "1234567.8", 8},
                          Case{4.1, "00004.1", 6}}) {
        SCOPED_TRACE(c.value);
        counter.SetValue(c.value);
        EXPECT_EQ(counter.readout(), QString::fromLatin1(c.readout));
        EXPECT_EQ(counter.wheelCount(), c.wheels);
    }
}

TEST(RenderTest, OdometerDrawsItsDecimalPointInsideTheWidget)
{
    // The form's room for an odometer, and a narrower one that seven wheels overfill at
    // their least natural width: they narrow instead of reaching out of the widget.
    for (const QSize size : {QSize(144, 32), QSize(80, 32)}) {
        for (double value : {4.1, 123456.7}) {
            SCOPED_TRACE(testing::Message() << size.width() << " px, " << value);
            CiOdometerX counter;
            counter.setRollDuration(0);
            counter.setDecimalCount(1);
            counter.resize(size);
            counter.SetValue(value);
            const auto point = counter.decimalPointAt();
            ASSERT_TRUE(point.has_value());
            QImage image(counter.size(), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            counter.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            ASSERT_TRUE(image.rect().contains(point->toPoint()));
            EXPECT_GT(qGray(image.pixel(point->toPoint())), 150) << "no light point drawn";
        }
    }
    CiOdometerX whole;
    EXPECT_FALSE(whole.decimalPointAt().has_value());
}

TEST(RenderTest, EverySampleOfTheGalleryRenders)
{
    QWidget host;
    const auto samples = makeInstrumentSamples(&host);
    EXPECT_GE(samples.size(), 8u);
    for (const InstrumentSample& sample : samples) {
        sample.widget->resize(sample.size);
        if (auto* plot = sample.widget->findChild<QCustomPlot*>())
            plot->replot();
        const QImage image = sample.widget->grab().toImage();
        EXPECT_EQ(image.size(), sample.size) << sample.name.toStdString();
        EXPECT_GE(colourCount(image.convertToFormat(QImage::Format_ARGB32)), 16)
            << sample.name.toStdString();
    }
}

} // namespace
} // namespace veltroma
