#include "controls/Artwork.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/OutBarLayout.h"
#include "controls/WidgetImages.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace veltroma {
namespace {

using Bar = CGfxOutBarCtrl;

constexpr std::uint32_t kFrameFlags = Bar::fEditGroups | Bar::fEditItems | Bar::fRemoveGroups
    | Bar::fRemoveItems | Bar::fAddGroups | Bar::fDragItems | Bar::fAnimation;

TEST(OutBarFrame, PlacesHeadersAroundTheItemAreaOfTheSelectedFolder)
{
    const OutBarFrame frame{QRect(0, 0, 100, 300), 3, 1, 22};
    EXPECT_EQ(frame.FolderRect(0), QRect(0, -1, 100, 22));
    EXPECT_EQ(frame.FolderRect(1), QRect(0, 21, 100, 22));
    EXPECT_EQ(frame.FolderRect(2), QRect(0, 278, 100, 22));
    EXPECT_EQ(frame.InsideRect(), QRect(0, 43, 100, 235));
}

TEST(OutBarFrame, StacksLargeItemsWithIconAboveCentredLabel)
{
    const std::vector<OutBarItemMetrics> items{{QSize(32, 32), QSize(40, 14)},
                                               {QSize(32, 32), QSize(80, 28)}};
    const auto places = PlaceOutBarItems(QRect(0, 20, 120, 200), items, 0, false, OutBarSpacing{});
    ASSERT_EQ(places.size(), 2U);
    EXPECT_EQ(places[0].icon, QRect(44, 25, 32, 32));
    EXPECT_EQ(places[0].label, QRect(40, 60, 40, 14));
    // 5 margin + 32 icon + 3 gap + 14 label + 8 spacing
    EXPECT_EQ(places[1].icon.top(), 25 + 32 + 3 + 14 + 8);
    EXPECT_EQ(places[1].bounds.width(), 80);

    const auto scrolled = PlaceOutBarItems(QRect(0, 20, 120, 200), items, 1, false, OutBarSpacing{});
    ASSERT_EQ(scrolled.size(), 1U);
    EXPECT_EQ(scrolled[0].icon.top(), 25);
}

class OutBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = std::make_unique<Bar>();
        bar->ModifyFlag(bar->GetFlag(), kFrameFlags);
        bar->SetAnimationTickCount(0);
        bar->SetImageList(&images, Bar::fLargeIcon);
        bar->resize(160, 360);
    }

    // The main window's content: two folders of two items, inserted at 0, 1, 2, 3.
    void AddFrameContent()
    {
        bar->AddFolder("System Bar", 10);
        bar->AddFolder("Inverter Bar", 20);
        bar->InsertItem(0, 0, "System setting", 1, 0);
        bar->InsertItem(0, 1, "Help", 3, 0);
        bar->InsertItem(1, 2, "Parameter Management", 4, 0);
        bar->InsertItem(1, 3, "Auto Test", 5, 0);
    }

    void Show()
    {
        bar->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(bar.get()));
    }

    QPoint ItemCentre(int index) const { return bar->GetItemRect(index).center(); }

    ImageList images = artwork::NavigationImages(32);
    std::unique_ptr<Bar> bar;
};

TEST_F(OutBarTest, InsertItemOutsideTheFolderAppends)
{
    const int folder = bar->AddFolder("Empty", 0);
    EXPECT_EQ(bar->InsertItem(folder, 3, "first", 0, 0), 0);
    EXPECT_EQ(bar->InsertItem(folder, -1, "second", 0, 0), 1);
    EXPECT_EQ(bar->InsertItem(folder, 0, "new first", 0, 0), 0);
    EXPECT_EQ(bar->InsertItem(7, 0, "nowhere", 0, 0), -1);

    bar->SetSelFolder(folder);
    ASSERT_EQ(bar->GetItemCount(), 3);
    EXPECT_EQ(bar->GetItemText(0), "new first");
    EXPECT_EQ(bar->GetItemText(2), "second");
}

TEST_F(OutBarTest, FolderDataOfMinusOneIsTheSelectedFolders)
{
    AddFrameContent();
    // A new bar starts on folder 1.
    EXPECT_EQ(bar->GetSelFolder(), 1);
    EXPECT_EQ(bar->GetFolderData(-1), 20U);
    bar->SetSelFolder(0);
    EXPECT_EQ(bar->GetFolderData(-1), 10U);
    EXPECT_EQ(bar->GetFolderData(1), 20U);
    EXPECT_EQ(bar->GetFolderData(5), 0U);
}

TEST_F(OutBarTest, ClickingAnItemReportsItsIndex)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Show();
    QSignalSpy clicked(bar.get(), &Bar::itemClicked);
    QSignalSpy folders(bar.get(), &Bar::folderChanged);

    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, ItemCentre(1));

    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
    EXPECT_EQ(bar->GetLastSel(), 1);
    EXPECT_EQ(folders.count(), 0);
}

TEST_F(OutBarTest, PressingAnItemAndReleasingElsewhereSendsNothing)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Show();
    QSignalSpy clicked(bar.get(), &Bar::itemClicked);
    QSignalSpy folders(bar.get(), &Bar::folderChanged);
    int drops = 0;
    QObject::connect(bar.get(), &Bar::itemDropRequested, [&](const OUTBAR_INFO&, bool*) { ++drops; });

    // Off the item onto the header of the other folder: a drag that finds no place to drop.
    const QPoint header = bar->GetFolderRect(1).center();
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, ItemCentre(0));
    QTest::mouseMove(bar.get(), header);
    EXPECT_EQ(bar->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, header);

    // Without dragging: off the item into the empty part of the item area.
    bar->ModifyFlag(Bar::fDragItems, 0);
    const QPoint empty(bar->GetInsideRect().center().x(), bar->GetInsideRect().bottom() - 30);
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, ItemCentre(0));
    QTest::mouseMove(bar.get(), empty);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, empty);

    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(folders.count(), 0);
    EXPECT_EQ(drops, 0);
    EXPECT_EQ(bar->GetSelFolder(), 0);
    EXPECT_EQ(bar->GetLastSel(), -1);
}

TEST_F(OutBarTest, ClickingAnotherFolderHeaderSelectsItAndReportsFive)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Show();
    QSignalSpy folders(bar.get(), &Bar::folderChanged);
    QSignalSpy clicked(bar.get(), &Bar::itemClicked);

    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, bar->GetFolderRect(1).center());
    ASSERT_EQ(folders.count(), 1);
    EXPECT_EQ(folders.at(0).at(0).toInt(), 1);
    EXPECT_EQ(bar->GetSelFolder(), 1);
    EXPECT_EQ(bar->GetItemText(0), "Parameter Management");
    EXPECT_EQ(bar->GetItemText(1), "Auto Test");

    // The selected folder's own header, and any right click, do nothing.
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, bar->GetFolderRect(1).center());
    QTest::mouseClick(bar.get(), Qt::RightButton, {}, bar->GetFolderRect(0).center());
    QTest::mouseClick(bar.get(), Qt::RightButton, {}, ItemCentre(0));
    EXPECT_EQ(folders.count(), 1);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(bar->GetSelFolder(), 1);
}

TEST_F(OutBarTest, HeaderPressedButReleasedOnAnotherHeaderSelectsNothing)
{
    AddFrameContent();
    bar->SetSelFolder(1);
    Show();
    QSignalSpy folders(bar.get(), &Bar::folderChanged);
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, bar->GetFolderRect(0).center());
    QTest::mouseMove(bar.get(), bar->GetInsideRect().center());
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, bar->GetInsideRect().center());
    EXPECT_EQ(folders.count(), 0);
    EXPECT_EQ(bar->GetSelFolder(), 1);
}

TEST_F(OutBarTest, HoverMarksHeadersAndShowsTheHandCursor)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Show();
    const QImage plain = test::Grab(*bar);
    QTest::mouseMove(bar.get(), bar->GetFolderRect(1).center());
    EXPECT_EQ(bar->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_NE(test::Grab(*bar), plain);

    QTest::mouseMove(bar.get(), ItemCentre(0));
    EXPECT_NE(bar->cursor().shape(), Qt::PointingHandCursor);
    const QImage onItem = test::Grab(*bar);
    EXPECT_NE(onItem, plain);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(bar.get(), &leave);
    EXPECT_EQ(test::Grab(*bar), plain);
}

class OutBarDragTest : public OutBarTest {
protected:
    void SetUp() override
    {
        OutBarTest::SetUp();
        bar->AddFolder("Folder", 0);
        for (const char* name : {"A", "B", "C", "D"})
            bar->InsertItem(0, -1, name, 0, 0);
        bar->SetSelFolder(0);
        bar->resize(160, 500);
        QObject::connect(bar.get(), &Bar::itemDropRequested, [this](const OUTBAR_INFO& info, bool* move) {
            drops.push_back(info);
            *move = allowMove;
        });
        Show();
    }

    void Drag(int from, QPoint to)
    {
        QTest::mousePress(bar.get(), Qt::LeftButton, {}, ItemCentre(from));
        QTest::mouseMove(bar.get(), to);
        QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, to);
    }

    QPoint LowerHalf(int index) const
    {
        const QRect r = bar->GetItemRect(index);
        return {r.center().x(), r.bottom() - 2};
    }

    QStringList Order() const
    {
        QStringList names;
        for (int i = 0; i < bar->GetItemCount(); ++i)
            names << bar->GetItemText(i);
        return names;
    }

    std::vector<OUTBAR_INFO> drops;
    bool allowMove = false;
};

TEST_F(OutBarDragTest, ADropIsOfferedToTheOwnerWhoDecides)
{
    Drag(0, LowerHalf(2));
    ASSERT_EQ(drops.size(), 1U);
    EXPECT_EQ(drops[0].index, 0);
    EXPECT_EQ(drops[0].cText, "A");
    EXPECT_EQ(drops[0].iDragFrom, 0);
    EXPECT_EQ(drops[0].iDragTo, 3);
    EXPECT_EQ(Order(), QStringList({"A", "B", "C", "D"}));

    allowMove = true;
    Drag(0, LowerHalf(2));
    EXPECT_EQ(Order(), QStringList({"B", "C", "A", "D"}));

    // Below the last item: appended. Upwards: inserted before the item dropped on.
    const QPoint below(bar->GetInsideRect().center().x(), bar->GetInsideRect().bottom() - 4);
    Drag(0, below);
    EXPECT_EQ(Order(), QStringList({"C", "A", "D", "B"}));
    const QRect first = bar->GetItemRect(0);
    Drag(3, QPoint(first.center().x(), first.top() + 2));
    EXPECT_EQ(Order(), QStringList({"B", "C", "A", "D"}));
}

TEST_F(OutBarDragTest, DroppingAnItemBesideItselfOffersNothing)
{
    allowMove = true;
    Drag(1, LowerHalf(1));
    const QRect next = bar->GetItemRect(2);
    Drag(1, QPoint(next.center().x(), next.top() + 2));
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(Order(), QStringList({"A", "B", "C", "D"}));
}

TEST_F(OutBarTest, ScrollArrowsMoveOneItemAtATimeWhileNeeded)
{
    bar->AddFolder("Many", 0);
    for (int i = 0; i < 8; ++i)
        bar->InsertItem(0, -1, QString("Item %1").arg(i), i % 7, 0);
    bar->SetSelFolder(0);
    bar->resize(140, 220);
    Show();

    EXPECT_TRUE(bar->GetUpArrowRect().isEmpty());
    ASSERT_FALSE(bar->GetDownArrowRect().isEmpty());
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, bar->GetDownArrowRect().center());
    EXPECT_EQ(bar->GetFirstItem(), 1);
    ASSERT_FALSE(bar->GetUpArrowRect().isEmpty());

    int clicks = 0;
    while (!bar->GetDownArrowRect().isEmpty() && clicks++ < 20)
        QTest::mouseClick(bar.get(), Qt::LeftButton, {}, bar->GetDownArrowRect().center());
    ASSERT_LT(clicks, 20);
    const QRect last = bar->GetItemRect(7);
    const QRect inside = bar->GetInsideRect();
    EXPECT_LE(last.y() + last.height(), inside.y() + inside.height());
    EXPECT_GT(bar->GetFirstItem(), 1);

    // Holding the up arrow repeats until the first item shows.
    QTest::mousePress(bar.get(), Qt::LeftButton, {}, bar->GetUpArrowRect().center());
    const int before = bar->GetFirstItem();
    QTRY_VERIFY_WITH_TIMEOUT(bar->GetFirstItem() < before, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(bar->GetFirstItem(), 0, 5000);
    QTest::mouseRelease(bar.get(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(bar->GetUpArrowRect().isEmpty());
}

TEST_F(OutBarTest, FolderSlideEndsOnTheSamePictureAsAnInstantChange)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Bar instant;
    instant.ModifyFlag(instant.GetFlag(), kFrameFlags);
    instant.SetAnimationTickCount(0);
    instant.SetImageList(&images, Bar::fLargeIcon);
    instant.AddFolder("System Bar", 10);
    instant.AddFolder("Inverter Bar", 20);
    instant.InsertItem(1, 0, "Parameter Management", 4, 0);
    instant.InsertItem(1, 1, "Auto Test", 5, 0);
    instant.InsertItem(0, 0, "System setting", 1, 0);
    instant.InsertItem(0, 1, "Help", 3, 0);
    instant.resize(bar->size());
    instant.SetSelFolder(1);
    instant.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&instant));
    const QImage target = test::Grab(instant);

    bar->SetAnimationTickCount(10);
    Show();
    QSignalSpy folders(bar.get(), &Bar::folderChanged);
    bar->SetSelFolder(1);
    EXPECT_EQ(bar->GetSelFolder(), 1);
    EXPECT_EQ(folders.count(), 1);
    EXPECT_NE(test::Grab(*bar), target);
    QTRY_VERIFY_WITH_TIMEOUT(test::Grab(*bar) == target, 3000);

    // With the main window's tick count of 0 the change shows at once.
    bar->SetAnimationTickCount(0);
    bar->SetSelFolder(0);
    instant.SetSelFolder(0);
    EXPECT_EQ(test::Grab(*bar), test::Grab(instant));
}

TEST_F(OutBarTest, SelectionFrameFollowsTheClickedItemOnlyWithItsFlag)
{
    AddFrameContent();
    bar->SetSelFolder(0);
    Show();
    QTest::mouseClick(bar.get(), Qt::LeftButton, {}, ItemCentre(0));
    QTest::mouseMove(bar.get(), QPoint(2, bar->height() - 3));
    const QImage withoutFlag = test::Grab(*bar);

    bar->ModifyFlag(0, Bar::fSelHighlight, true);
    const QImage withFlag = test::Grab(*bar);
    EXPECT_NE(withFlag, withoutFlag);

    // A folder change forgets the selection.
    bar->SetSelFolder(1);
    bar->SetSelFolder(0);
    EXPECT_EQ(bar->GetLastSel(), -1);
    EXPECT_EQ(test::Grab(*bar), withoutFlag);
}

TEST_F(OutBarTest, ImageListSlotsFollowTheViewFlags)
{
    ImageList small = artwork::NavigationImages(16);
    EXPECT_EQ(bar->SetImageList(&small, Bar::fSmallIcon), nullptr);
    EXPECT_EQ(bar->SetImageList(&images, Bar::fLargeIcon), &images);
    EXPECT_EQ(bar->SetImageList(&images, Bar::fAnimation), nullptr);

    bar->AddFolder("F", 0);
    bar->InsertItem(0, 0, "Item", 1, 0);
    bar->SetSelFolder(0);
    const QRect large = bar->GetItemRect(0);
    bar->SetSmallIconView(true);
    EXPECT_TRUE(bar->IsSmallIconView());
    const QRect smallRect = bar->GetItemRect(0);
    EXPECT_LT(smallRect.height(), large.height());
    EXPECT_GT(smallRect.width(), 16);
}

} // namespace
} // namespace veltroma
