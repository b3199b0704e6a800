#include "controls/ProgressText.h"
#include "controls/TextProgressCtrl.h"
#include "controls/WidgetImages.h"

#include "config/LanguageSettings.h"
#include "config/ProgramPaths.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

// The English registration text: three ellipsis characters, one number, a percent sign.
const QString kRegistering = QString::fromUtf8("Start network Regist\u2026\u2026\u2026have finished %d%%");

TEST(ProgressText, FillsTheNumberAndASinglePercentSign)
{
    EXPECT_EQ(FormatPercentText(kRegistering, 37),
              QString::fromUtf8("Start network Regist\u2026\u2026\u2026have finished 37%"));
    EXPECT_EQ(FormatPercentText("%d%%", 100), "100%");
    EXPECT_EQ(FormatPercentText("no number", 5), "no number");
}

TEST(ProgressText, LeavesForeignConversionsAsTheyStand)
{
    // A hand-edited language file must never make the text read what it was not given.
    EXPECT_EQ(FormatPercentText("%s done: %d%% %n", 9), "%s done: 9% %n");
    EXPECT_EQ(FormatPercentText("50% %", 1), "50% %");
    EXPECT_EQ(FormatPercentText("%", 1), "%");
}

TEST(ProgressText, PercentAndWidthRoundDownAndStayInRange)
{
    EXPECT_EQ(ProgressPercent(37, 0, 100), 37);
    EXPECT_EQ(ProgressPercent(2, 0, 3), 66);
    EXPECT_EQ(ProgressPercent(150, 0, 100), 100);
    EXPECT_EQ(ProgressPercent(-5, 0, 100), 0);
    EXPECT_EQ(ProgressPercent(5, 10, 10), 0);
    EXPECT_EQ(ProgressBarWidth(1, 0, 3, 100), 33);
    EXPECT_EQ(ProgressBarWidth(2'000'000'000, -2'000'000'000, 2'000'000'000, 400), 400);
}

class TextProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.SetFormatSource([] { return kRegistering; });
        bar.resize(400, 30);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        bar.installEventFilter(&paints);
    }

    struct PaintCounter : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++count;
            return false;
        }
    };

    CTextProgress bar;
    PaintCounter paints;
};

TEST_F(TextProgressTest, At37PercentPrintsTheLocalizedText)
{
    bar.SetPos(37);
    EXPECT_EQ(bar.DisplayText(),
              QString::fromUtf8("Start network Regist\u2026\u2026\u2026have finished 37%"));

    bar.SetWindowText("Connecting");
    EXPECT_EQ(bar.GetWindowText(), "Connecting");
    EXPECT_EQ(bar.DisplayText(), "Connecting");
    bar.SetWindowText({});
    bar.SetShowText(false);
    EXPECT_EQ(bar.DisplayText(), "");
}

TEST(TextProgressLanguage, ByDefaultTheTextComesFromTheActiveLanguageFile)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    setProgramFolder(home.path());
    ASSERT_EQ(LoadSet("English", LoadSetMode::Language), "English");

    CTextProgress bar;
    bar.SetPos(37);
    EXPECT_EQ(bar.DisplayText(),
              QString::fromUtf8("Start network Regist\u2026\u2026\u2026have finished 37%"));
}

TEST_F(TextProgressTest, RepaintsOnlyWhenTheFilledWidthChanges)
{
    bar.resize(400 + bar.width() - bar.contentsRect().width(), 30);
    bar.SetRange(0, 1000);
    EXPECT_EQ(bar.SetPos(1), 0);
    EXPECT_EQ(bar.GetBarWidth(), 0);
    const int first = paints.count;

    bar.SetPos(2);  // 0.8 pixel: still 0
    EXPECT_EQ(paints.count, first);
    bar.SetPos(3);  // 1.2 pixels
    EXPECT_EQ(paints.count, first + 1);
    EXPECT_EQ(bar.GetBarWidth(), 1);
    bar.StepIt();
    bar.OffsetPos(-1);
    EXPECT_EQ(bar.GetPos(), 3);
    EXPECT_EQ(paints.count, first + 1);

    // A resize forgets the width, so the next position paints again.
    bar.resize(300, 30);
    EXPECT_EQ(bar.GetBarWidth(), -1);
    const int resized = paints.count;
    bar.SetPos(3);
    EXPECT_EQ(paints.count, resized + 1);
}

TEST_F(TextProgressTest, TextTakesTheOtherColourOverTheFilledPart)
{
    const QColor bar1(0, 90, 160), back(250, 250, 250), overEmpty(200, 0, 0), overFilled(255, 255, 0);
    bar.SetBarColor(bar1);
    bar.SetBkColor(back);
    bar.SetTextColor(overEmpty);
    bar.SetTextBkColor(overFilled);
    QFont f = bar.font();
    f.setPixelSize(20);
    f.setBold(true);
    bar.setFont(f);
    bar.SetWindowText("MMMMMMMMMMMMMMMM");
    bar.SetPos(50);

    const QImage image = test::Grab(bar);
    const QRect inside = bar.contentsRect();
    const int half = inside.width() / 2;
    const QRect filled(inside.x(), inside.y(), half, inside.height());
    const QRect empty(inside.x() + half, inside.y(), inside.width() - half, inside.height());
    EXPECT_GT(test::CountPixels(image, filled, bar1), 0);
    EXPECT_GT(test::CountPixels(image, filled, overFilled), 0);
    EXPECT_EQ(test::CountPixels(image, filled, overEmpty), 0);
    EXPECT_GT(test::CountPixels(image, empty, back), 0);
    EXPECT_GT(test::CountPixels(image, empty, overEmpty), 0);
    EXPECT_EQ(test::CountPixels(image, empty, overFilled), 0);
}

} // namespace
} // namespace veltroma
