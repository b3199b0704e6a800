#include "controls/Artwork.h"
#include "controls/BitButtonNL.h"
#include "controls/WidgetImages.h"

#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

QPixmap Solid(QSize size, const QColor& fill, const QColor& corner)
{
    QPixmap pixmap(size);
    pixmap.fill(fill);
    QPainter painter(&pixmap);
    painter.fillRect(0, 0, 2, 2, corner);
    return pixmap;
}

const QColor kRed(220, 0, 0);
const QColor kGreen(0, 160, 0);
const QColor kBlue(0, 0, 200);
const QColor kCorner(255, 255, 0);

class BitButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        button.resize(40, 30);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
        // The pointer of an earlier test may rest where the button shows.
        Leave();
    }

    QRgb At(int x, int y) { return test::Grab(button).pixel(x, y); }

    void Enter()
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(&button, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
    }

    CBitButtonNL button;
};

TEST_F(BitButtonTest, PressedWithOnlyANormalBitmapShowsItOnePixelRightAndDown)
{
    button.SetBitmaps(Solid({30, 20}, kBlue, kCorner));
    EXPECT_EQ(At(0, 0), kCorner.rgb());
    EXPECT_EQ(At(2, 2), kBlue.rgb());

    QSignalSpy clicked(&button, &QPushButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(button.isDown());
    EXPECT_NE(At(0, 0), kCorner.rgb());
    EXPECT_EQ(At(1, 1), kCorner.rgb());
    EXPECT_EQ(At(2, 2), kCorner.rgb());
    EXPECT_EQ(At(3, 3), kBlue.rgb());
    EXPECT_EQ(At(30, 20), kBlue.rgb());

    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(At(0, 0), kCorner.rgb());
}

TEST_F(BitButtonTest, EachStateShowsItsOwnBitmap)
{
    button.SetBitmaps(Solid({30, 20}, kBlue, kBlue), Solid({30, 20}, kGreen, kGreen),
                      Solid({30, 20}, kRed, kRed));
    EXPECT_EQ(At(0, 0), kBlue.rgb());

    Enter();
    EXPECT_TRUE(button.IsMouseOnButton());
    EXPECT_EQ(At(0, 0), kRed.rgb());

    // A pressed bitmap of its own is drawn in place.
    button.setDown(true);
    EXPECT_EQ(At(0, 0), kGreen.rgb());
    button.setDown(false);

    Leave();
    EXPECT_FALSE(button.IsMouseOnButton());
    EXPECT_EQ(At(0, 0), kBlue.rgb());
}

TEST_F(BitButtonTest, DisabledUsesItsBitmapOrAGreyedNormalOne)
{
    button.SetBitmaps(Solid({30, 20}, kBlue, kBlue));
    button.setEnabled(false);
    const QRgb greyed = At(5, 5);
    EXPECT_NE(greyed, kBlue.rgb());
    EXPECT_LT(std::abs(qRed(greyed) - qBlue(greyed)), 60);

    button.SetBitmaps(Solid({30, 20}, kBlue, kBlue), {}, {}, Solid({30, 20}, kGreen, kGreen));
    EXPECT_EQ(At(5, 5), kGreen.rgb());
}

TEST_F(BitButtonTest, AnUnreadableBitmapClearsThemAll)
{
    const QString normal = artwork::ResourcePath(artwork::Art::ButtonNormal);
    ASSERT_TRUE(button.SetBitmaps(normal, {}, artwork::ResourcePath(artwork::Art::ButtonHover)));
    EXPECT_EQ(button.sizeHint(), QSize(110, 31));
    button.move(7, 9);
    button.SizeToContent();
    EXPECT_EQ(button.size(), QSize(110, 31));
    EXPECT_EQ(button.pos(), QPoint(7, 9));

    EXPECT_FALSE(button.SetBitmaps(normal, ":/artwork/missing.png"));
    EXPECT_NE(button.sizeHint(), QSize(110, 31));
    EXPECT_EQ(test::DistinctColours(test::Grab(button)), 1);
}

class BitButtonTextTest : public BitButtonTest {
protected:
    void SetUp() override
    {
        BitButtonTest::SetUp();
        QFont f = button.font();
        f.setPixelSize(20);
        f.setBold(true);
        button.setFont(f);
        button.setText("OK");
        button.resize(200, 40);
        button.SetDrawText(true).SetForceColor(kRed, kGreen, kBlue);
    }

    // Left edge of the pixels in `colour`, or -1.
    int LeftOf(const QColor& colour)
    {
        const QImage image = test::Grab(button);
        for (int x = 0; x < image.width(); ++x) {
            if (test::CountPixels(image, QRect(x, 0, 1, image.height()), colour) > 0)
                return x;
        }
        return -1;
    }
};

TEST_F(BitButtonTextTest, TextSitsAtAFifthHalfOrFourFifthsOfTheFreeWidth)
{
    const int textWidth = button.fontMetrics().boundingRect(button.text()).width();
    const int free = 200 - textWidth;

    ASSERT_TRUE(button.SetTextAlign(0));
    const int nearLeft = LeftOf(kRed);
    ASSERT_TRUE(button.SetTextAlign(2));
    const int centred = LeftOf(kRed);
    ASSERT_TRUE(button.SetTextAlign(1));
    const int nearRight = LeftOf(kRed);

    EXPECT_NEAR(nearLeft, free / 5, 4);
    EXPECT_NEAR(centred, free / 2, 4);
    EXPECT_NEAR(nearRight, free * 4 / 5, 4);

    EXPECT_FALSE(button.SetTextAlign(3));
    EXPECT_EQ(button.GetTextAlign(), CBitButtonNL::TextAlign::NearRight);
}

TEST_F(BitButtonTextTest, TextTakesTheColourOfTheStateAndMovesWhenPressed)
{
    const QRect all = button.rect();
    EXPECT_GT(test::CountPixels(test::Grab(button), all, kRed), 0);

    Enter();
    QImage image = test::Grab(button);
    EXPECT_GT(test::CountPixels(image, all, kBlue), 0);
    EXPECT_EQ(test::CountPixels(image, all, kRed), 0);

    const int restingLeft = LeftOf(kBlue);
    button.setDown(true);
    image = test::Grab(button);
    EXPECT_GT(test::CountPixels(image, all, kGreen), 0);
    EXPECT_EQ(test::CountPixels(image, all, kBlue), 0);
    EXPECT_EQ(LeftOf(kGreen), restingLeft + 1);
    button.setDown(false);

    // Without the draw-text switch no text shows.
    button.SetDrawText(false);
    EXPECT_EQ(test::DistinctColours(test::Grab(button)), 1);
}

TEST_F(BitButtonTest, CursorIsSetAndRemoved)
{
    button.SetBtnCursor(QCursor(Qt::PointingHandCursor));
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    button.SetBtnCursor(std::nullopt);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
}

} // namespace
} // namespace veltroma
