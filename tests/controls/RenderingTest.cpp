// Every control, grabbed at its size hint, shows something and shows a change of state.
#include "controls/Artwork.h"
#include "controls/BitButtonNL.h"
#include "controls/ComboListCtrl.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/SplitterWndEx.h"
#include "controls/TextProgressCtrl.h"
#include "controls/WidgetImages.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace veltroma {
namespace {

// Grabs `widget` at its size hint in two states and checks both pictures.
void ExpectDrawnAndChanging(QWidget& widget, const std::function<void()>& change)
{
    widget.resize(widget.sizeHint());
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    const QImage before = test::Grab(widget);
    change();
    const QImage after = test::Grab(widget);
    EXPECT_EQ(before.size(), widget.sizeHint());
    EXPECT_GT(test::DistinctColours(before), 2);
    EXPECT_GT(test::DistinctColours(after), 2);
    EXPECT_NE(before, after);
}

TEST(Rendering, NavigationBar)
{
    const ImageList images = artwork::NavigationImages(32);
    CGfxOutBarCtrl bar;
    bar.SetImageList(&images, CGfxOutBarCtrl::fLargeIcon);
    bar.AddFolder("System Bar", 0);
    bar.AddFolder("Inverter Bar", 1);
    bar.InsertItem(0, 0, "System setting", 1, 0);
    bar.InsertItem(0, 1, "Help", 3, 0);
    bar.InsertItem(1, 0, "Parameter Management", 4, 0);
    bar.SetSelFolder(0);
    ExpectDrawnAndChanging(bar, [&] { bar.SetSelFolder(1); });
}

TEST(Rendering, EditableGrid)
{
    CComboListCtrl grid;
    grid.InsertColumn(0, "Parameter", 100);
    grid.InsertColumn(1, "Value", 100);
    grid.InsertItem(0, "Vpv-start");
    grid.InsertItem(1, "T-start");
    ExpectDrawnAndChanging(grid, [&] { grid.SetItemText(0, 1, "250.0"); });
}

TEST(Rendering, BitmapButton)
{
    CBitButtonNL button("OK");
    button.SetBitmaps(artwork::Render(artwork::Art::ButtonNormal), {},
                      artwork::Render(artwork::Art::ButtonHover));
    button.SetDrawText(true);
    ExpectDrawnAndChanging(button, [&] { button.setDown(true); });
}

TEST(Rendering, TextProgress)
{
    CTextProgress progress;
    progress.SetFormatSource([] { return QString("Registering %d%%"); });
    progress.SetPos(20);
    ExpectDrawnAndChanging(progress, [&] { progress.SetPos(80); });
}

TEST(Rendering, SplitWindow)
{
    CSplitterWndEx split;
    split.CreateStatic(1, 2);
    split.SetColumnInfo(0, 60, 10);
    split.SetPane(0, 0, new QLabel("left"));
    split.SetPane(0, 1, new QLabel("right"));
    split.SetUpBorder(2);
    split.setMinimumSize(200, 100);
    ExpectDrawnAndChanging(split, [&] { split.SetWhiteLine(false); });
}

TEST(Rendering, EveryPictureOfTheArtworkDraws)
{
    for (int i = 0; i <= static_cast<int>(artwork::Art::AppIcon); ++i) {
        const auto art = static_cast<artwork::Art>(i);
        const QPixmap pixmap = artwork::Render(art, {}, 1.0);
        ASSERT_EQ(pixmap.size(), artwork::NaturalSize(art)) << i;
        EXPECT_GT(test::DistinctColours(pixmap.toImage()), 2) << artwork::ResourcePath(art).toStdString();
    }
    const QPixmap sharp = artwork::Render(artwork::Art::NavHelp, QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
}

} // namespace
} // namespace veltroma
