#include "instruments/CiLedRectangleX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRockerX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchSliderX.h"
#include "instruments/ColorRef.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

void turnWheel(QWidget& widget, int angleDelta)
{
    const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
    QWheelEvent event(at, widget.mapToGlobal(at), QPoint(), QPoint(0, angleDelta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

std::vector<int> positions(const QSignalSpy& spy)
{
    std::vector<int> out;
    for (const auto& args : spy)
        out.push_back(args.at(0).toInt());
    return out;
}

// At its size hint the rotary draws 1:1: knob centre at (195, 106), labels round it.
class RotaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rotary.resize(rotary.sizeHint());
        rotary.SetPositionLabels(
            QStringLiteral("Realtime Monitor, Parameter Manage,History Data Review,Open Data File,Debug"));
    }

    CiSwitchRotaryX rotary;
    QSignalSpy spy{&rotary, &CiSwitchRotaryX::positionChanged};
};

TEST_F(RotaryTest, LabelsComeFromOneCommaSeparatedText)
{
    EXPECT_EQ(rotary.positionLabels(),
              QStringList({"Realtime Monitor", "Parameter Manage", "History Data Review",
                           "Open Data File", "Debug"}));
    rotary.SetPositionLabels(QStringLiteral("A,B"));
    EXPECT_EQ(rotary.positionLabels(), QStringList({"A", "B", "", "", ""}));
}

TEST_F(RotaryTest, SetPositionChangesQuietlyAndKeepsToFivePositions)
{
    rotary.SetPosition(3);
    EXPECT_EQ(rotary.GetPosition(), 3);
    rotary.SetPosition(5);
    rotary.SetPosition(-1);
    EXPECT_EQ(rotary.GetPosition(), 3);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(RotaryTest, ClickOnALabelTurnsToItsPosition)
{
    QTest::mouseClick(&rotary, Qt::LeftButton, {}, QPoint(320, 113)); // "Debug"
    QTest::mouseClick(&rotary, Qt::LeftButton, {}, QPoint(110, 58));  // "Parameter Manage"
    QTest::mouseClick(&rotary, Qt::LeftButton, {}, QPoint(195, 30));  // "History Data Review"
    EXPECT_EQ(positions(spy), (std::vector<int>{4, 1, 2}));
    EXPECT_EQ(rotary.GetPosition(), 2);
    // A click on the position it already has is no change.
    QTest::mouseClick(&rotary, Qt::LeftButton, {}, QPoint(195, 30));
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(RotaryTest, DragAcrossPositionsIsOneChangeOnRelease)
{
    QTest::mousePress(&rotary, Qt::LeftButton, {}, QPoint(60, 113));
    QTest::mouseMove(&rotary, QPoint(195, 20));
    QTest::mouseMove(&rotary, QPoint(300, 60));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(rotary.GetPosition(), 0);
    QTest::mouseRelease(&rotary, Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_EQ(positions(spy), (std::vector<int>{3}));
}

TEST_F(RotaryTest, WheelAndKeysStepAndStopAtTheEnds)
{
    turnWheel(rotary, 120);
    turnWheel(rotary, 60); // half a notch: nothing yet
    turnWheel(rotary, 60);
    EXPECT_EQ(rotary.GetPosition(), 2);
    QTest::keyClick(&rotary, Qt::Key_End);
    QTest::keyClick(&rotary, Qt::Key_Right);
    QTest::keyClick(&rotary, Qt::Key_Left);
    QTest::keyClick(&rotary, Qt::Key_Home);
    turnWheel(rotary, -120);
    EXPECT_EQ(positions(spy), (std::vector<int>{1, 2, 4, 3, 0}));
}

// At its size hint the slider's nine detents sit at x = 10, 60, ..., 410.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override { slider.resize(slider.sizeHint()); }

    CiSwitchSliderX slider;
    QSignalSpy spy{&slider, &CiSwitchSliderX::positionChanged};
};

TEST_F(SliderTest, ClickJumpsToTheNearestDetent)
{
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(318, 12));
    EXPECT_EQ(slider.GetPosition(), 6);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(415, 12));
    EXPECT_EQ(positions(spy), (std::vector<int>{6, 8}));
}

TEST_F(SliderTest, DraggingTheKnobClicksThroughEachDetent)
{
    slider.setPosition(3);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(160, 12));
    QTest::mouseMove(&slider, QPoint(212, 12));
    QTest::mouseMove(&slider, QPoint(262, 12));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(262, 12));
    EXPECT_EQ(positions(spy), (std::vector<int>{4, 5}));
}

TEST_F(SliderTest, WheelAndKeysStepWithinNinePositions)
{
    slider.setPosition(3);
    EXPECT_EQ(spy.count(), 0);
    turnWheel(slider, 240);
    QTest::keyClick(&slider, Qt::Key_Left);
    QTest::keyClick(&slider, Qt::Key_End);
    QTest::keyClick(&slider, Qt::Key_Right);
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(positions(spy), (std::vector<int>{5, 4, 8, 0}));
    slider.setPosition(9);
    EXPECT_EQ(slider.GetPosition(), 0);
}

TEST(LedSwitch, ClickTogglesAndReportsTheUsersChange)
{
    CiSwitchLedX led;
    led.resize(led.sizeHint());
    QSignalSpy spy(&led, &CiSwitchLedX::userChanged);
    QTest::mouseClick(&led, Qt::LeftButton);
    EXPECT_TRUE(led.GetActive());
    QTest::keyClick(&led, Qt::Key_Space);
    EXPECT_FALSE(led.GetActive());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());

    // The program's own changes are no user change.
    led.SetActive(true);
    EXPECT_TRUE(led.GetActive());
    EXPECT_EQ(spy.count(), 2);
}

TEST(LedSwitch, PressDraggedOffTheKeyIsNoClick)
{
    CiSwitchLedX led;
    led.resize(led.sizeHint());
    QSignalSpy spy(&led, &CiSwitchLedX::userChanged);
    QTest::mousePress(&led, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&led, QPoint(led.width() + 30, 10));
    QTest::mouseRelease(&led, Qt::LeftButton, {}, QPoint(led.width() + 30, 10));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_FALSE(led.GetActive());
}

TEST(LedSwitch, CaptionAndIndicatorHeight)
{
    CiSwitchLedX led;
    led.SetCaption(QStringLiteral("A1B2C3D4E5"));
    EXPECT_EQ(led.caption(), QStringLiteral("A1B2C3D4E5"));
    led.SetIndicatorHeight(3);
    EXPECT_EQ(led.indicatorHeight(), 3);
    led.SetIndicatorHeight(0);
    EXPECT_EQ(led.indicatorHeight(), 0);
    led.SetIndicatorHeight(-4);
    EXPECT_EQ(led.indicatorHeight(), 0);
    led.SetIndicatorHeight(1000);
    EXPECT_LE(led.indicatorHeight(), 14);
}

TEST(Rocker, ClickRocksAndReportsTheNewState)
{
    CiSwitchRockerX rocker;
    rocker.resize(rocker.sizeHint());
    QSignalSpy spy(&rocker, &CiSwitchRockerX::changed);
    QTest::mouseClick(&rocker, Qt::LeftButton);
    QTest::mouseClick(&rocker, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    rocker.setOn(true);
    EXPECT_TRUE(rocker.isOn());
    EXPECT_EQ(spy.count(), 2);
}

TEST(Rocker, LyingInAWideBoxItStillRocks)
{
    CiSwitchRockerX rocker;
    rocker.resize(27, 24);
    QSignalSpy spy(&rocker, &CiSwitchRockerX::changed);
    QTest::mouseClick(&rocker, Qt::LeftButton);
    EXPECT_TRUE(rocker.isOn());
    EXPECT_EQ(spy.count(), 1);
    const QImage on = rocker.grab().toImage();
    rocker.setOn(false);
    EXPECT_NE(rocker.grab().toImage(), on);
}

TEST(Lamp, KeepsStateColourAndTextAsGiven)
{
    QWidget form;
    auto* lamp = new CiLedRectangleX(&form);
    form.show();
    EXPECT_FALSE(lamp->GetActive());
    lamp->SetActive(true);
    EXPECT_TRUE(lamp->GetActive());
    lamp->SetActiveColor(colorRef(255, 0, 0));
    EXPECT_EQ(lamp->activeColor(), QColor(255, 0, 0));
    // Fault texts keep their spaces: the recorded row takes the lamp's text as it is.
    lamp->SetCenterLabelText(QStringLiteral(" EEPROM Damaged "));
    EXPECT_EQ(lamp->GetCenterLabelText(), QStringLiteral(" EEPROM Damaged "));
    lamp->SetVisible(false);
    EXPECT_FALSE(lamp->isVisible());
    lamp->SetVisible(true);
    EXPECT_TRUE(lamp->isVisible());
}

} // namespace
} // namespace veltroma
