#include "controls/SplitLayout.h"
#include "controls/SplitterWndEx.h"
#include "controls/WidgetImages.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace veltroma {
namespace {

std::vector<std::pair<int, int>> Spans(const std::vector<SplitInfo>& infos, int total)
{
    std::vector<std::pair<int, int>> out;
    for (const SplitSpan& s : LayoutSplit(infos, total, 1))
        out.emplace_back(s.pos, s.size);
    return out;
}

TEST(SplitLayout, ColumnsWithoutIdealWidthVanishAndTheLastTakesTheRest)
{
    // The main window's three columns, all asked with width 0: only the last shows.
    EXPECT_EQ(Spans({{0, 0}, {0, 0}, {0, 0}}, 1000),
              (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 998}}));
    // A navigation bar given a width of its own.
    EXPECT_EQ(Spans({{150, 10}, {0, 0}, {0, 0}}, 1000),
              (std::vector<std::pair<int, int>>{{0, 150}, {151, 0}, {152, 848}}));
    // Below its minimum a column gets nothing.
    EXPECT_EQ(Spans({{8, 10}, {0, 0}, {0, 0}}, 1000)[0].second, 0);
    // Not enough room: what is asked is cut, the last gets nothing, nothing goes negative.
    EXPECT_EQ(Spans({{600, 0}, {600, 0}, {0, 0}}, 1000),
              (std::vector<std::pair<int, int>>{{0, 600}, {601, 399}, {1001, 0}}));
}

class SplitterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        split.resize(600, 300);
        ASSERT_TRUE(split.CreateStatic(1, 3));
        for (int c = 0; c < 3; ++c) {
            auto* pane = new QLabel(QString("pane %1").arg(c));
            pane->setAutoFillBackground(true);
            split.SetPane(0, c, pane);
        }
        split.SetColumnInfo(0, 150, 10);
        split.RecalcLayout();
        split.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&split));
    }

    CSplitterWndEx split;
};

TEST_F(SplitterTest, PanesSitOnePixelApart)
{
    EXPECT_EQ(split.GetPane(0, 0)->geometry(), QRect(0, 0, 150, 300));
    EXPECT_FALSE(split.GetPane(0, 1)->isVisible());
    EXPECT_EQ(split.GetPane(0, 2)->geometry(), QRect(152, 0, 448, 300));
    EXPECT_FALSE(split.CreateStatic(1, 3));
    EXPECT_EQ(split.GetPane(1, 0), nullptr);

    split.SetUpBorder(2);
    EXPECT_EQ(split.GetPane(0, 2)->geometry(), QRect(152, 2, 448, 298));
}

TEST_F(SplitterTest, DraggingOverABarDoesNothing)
{
    const QPoint bar(150, 150);
    EXPECT_EQ(split.childAt(bar), nullptr);
    EXPECT_EQ(split.cursor().shape(), Qt::ArrowCursor);
    QTest::mousePress(&split, Qt::LeftButton, {}, bar);
    QTest::mouseMove(&split, QPoint(300, 150));
    QTest::mouseRelease(&split, Qt::LeftButton, {}, QPoint(300, 150));
    EXPECT_EQ(split.GetPane(0, 0)->geometry(), QRect(0, 0, 150, 300));
    EXPECT_EQ(split.GetPane(0, 2)->geometry(), QRect(152, 0, 448, 300));
    EXPECT_EQ(split.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SplitterTest, BarsAndTheEtchedTopLineAreDrawn)
{
    split.SetUpBorder(2);
    const QImage image = test::Grab(split);
    const QPalette pal = split.palette();
    EXPECT_EQ(image.pixel(300, 0), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(300, 1), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(image.pixel(150, 100), pal.color(QPalette::Base).rgb());

    split.SetWhiteLine(false);
    EXPECT_EQ(test::Grab(split).pixel(300, 0), pal.color(QPalette::Button).rgb());
}

} // namespace
} // namespace veltroma
