#include "controls/ComboListCtrl.h"
#include "controls/InPlaceCombo.h"
#include "controls/InPlaceEdit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace veltroma {
namespace {

struct Report {
    int controlId;
    EndLabelEditInfo info;
    bool editorClosed; // no editor was open any more when the owner heard of the edit
};

// A dialog like the display parameter dialog: names, an editable value column (a
// drop-down in row 0) and a read-only description column.
class ComboListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<QDialog>();
        dialog->resize(440, 260);
        auto* ok = new QPushButton("OK", dialog.get());
        ok->setDefault(true);
        ok->setGeometry(340, 230, 90, 26);
        QObject::connect(ok, &QPushButton::clicked, dialog.get(), &QDialog::accept);

        grid = new CComboListCtrl(dialog.get());
        grid->setGeometry(10, 10, 420, 210);
        grid->SetDlgCtrlID(200);
        grid->SetRowHeight(20);
        grid->InsertColumn(0, "Parameter", 100);
        grid->InsertColumn(1, "Value", 100);
        grid->InsertColumn(2, "Note", 150);
        AddRow("Language", "English", "Display language of the inverter");
        AddRow("Contrast", "3", "0~6");
        AddRow("Spare", "x", "");
        grid->SetReadOnlyColumns(0);
        grid->SetReadOnlyColumns(2);
        grid->SetComboColumns(1, 0);

        QObject::connect(grid, &CComboListCtrl::populateComboList,
                         [this](int row, int column, QStringList* entries) {
                             asked.push_back({row, column});
                             *entries = offered;
                         });
        QObject::connect(grid, &CComboListCtrl::endLabelEdit,
                         [this](int id, const EndLabelEditInfo& info) {
                             reports.push_back({id, info, !CInPlaceEdit::GetInstance()->isVisible()
                                                              && !CInPlaceCombo::GetInstance()->isVisible()});
                         });

        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    void TearDown() override { dialog.reset(); }

    void AddRow(const QString& name, const QString& value, const QString& note)
    {
        const int row = grid->InsertItem(grid->GetItemCount(), name);
        grid->SetItemText(row, 1, value);
        grid->SetItemText(row, 2, note);
    }

    QPoint CellCentre(int row, int column) const
    {
        return QRect(grid->columnViewportPosition(column), grid->rowViewportPosition(row),
                     grid->columnWidth(column), grid->rowHeight(row))
            .center();
    }

    void Click(int row, int column, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, CellCentre(row, column));
    }

    static CInPlaceEdit* Edit() { return CInPlaceEdit::GetInstance(); }
    static CInPlaceCombo* Combo() { return CInPlaceCombo::GetInstance(); }

    std::unique_ptr<QDialog> dialog;
    CComboListCtrl* grid = nullptr;
    QStringList offered{"Italian", "English", "German", "Spalish"};
    std::vector<std::pair<int, int>> asked;
    std::vector<Report> reports;
};

TEST_F(ComboListTest, EnterReportsTheTypedTextAndEscapeTheTextBefore)
{
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);

    Click(1, 1);
    ASSERT_TRUE(Edit()->isVisible());
    EXPECT_EQ(Edit()->geometry(), QRect(grid->columnViewportPosition(1), grid->rowViewportPosition(1),
                                        grid->columnWidth(1), grid->rowHeight(1)));
    EXPECT_EQ(Edit()->text(), "3");
    EXPECT_EQ(Edit()->selectedText(), "3");
    QTest::keyClicks(Edit(), "5");
    QTest::keyClick(Edit(), Qt::Key_Return);

    ASSERT_EQ(reports.size(), 1U);
    EXPECT_EQ(reports[0].controlId, 200);
    EXPECT_EQ(reports[0].info.iItem, 1);
    EXPECT_EQ(reports[0].info.iSubItem, 1);
    EXPECT_EQ(reports[0].info.pszText, "5");
    EXPECT_TRUE(reports[0].editorClosed);
    EXPECT_TRUE(grid->hasFocus());
    // Only the owner writes cells.
    EXPECT_EQ(grid->GetItemText(1, 1), "3");

    Click(1, 1);
    QTest::keyClicks(Edit(), "99");
    QTest::keyClick(Edit(), Qt::Key_Escape);
    ASSERT_EQ(reports.size(), 2U);
    EXPECT_EQ(reports[1].info.pszText, "3");
    EXPECT_TRUE(Edit()->GetESC());

    // Neither key reached the dialog.
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(ComboListTest, ClickingAnotherCellEndsTheFirstEditBeforeOpeningTheNext)
{
    Click(1, 1);
    QTest::keyClicks(Edit(), "4");
    Click(2, 1);

    ASSERT_EQ(reports.size(), 1U);
    EXPECT_EQ(reports[0].info.iItem, 1);
    EXPECT_EQ(reports[0].info.pszText, "4");
    EXPECT_TRUE(reports[0].editorClosed);
    ASSERT_TRUE(Edit()->isVisible());
    EXPECT_EQ(Edit()->GetRowIndex(), 2);
    EXPECT_EQ(Edit()->text(), "x");
}

TEST_F(ComboListTest, ReadOnlyColumnsSelectTheRowAndOpenNothing)
{
    Click(2, 0);
    EXPECT_EQ(grid->currentRow(), 2);
    Click(1, 2);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_FALSE(Edit()->isVisible());
    EXPECT_FALSE(Combo()->isVisible());
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(ComboListTest, ShiftOrCtrlClickOnlySelects)
{
    Click(1, 1, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRow(), 1);
    Click(0, 1, Qt::ShiftModifier);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_FALSE(Edit()->isVisible());
    EXPECT_FALSE(Combo()->isVisible());
    EXPECT_TRUE(asked.empty());
}

TEST_F(ComboListTest, ClicksOutsideTheCellsAreDropped)
{
    Click(1, 0);
    const int right = grid->columnViewportPosition(2) + grid->columnWidth(2) + 20;
    const int below = grid->rowViewportPosition(2) + grid->rowHeight(2) + 20;
    EXPECT_FALSE(grid->HitTestEx(QPoint(right, CellCentre(0, 0).y())).has_value());
    EXPECT_FALSE(grid->HitTestEx(QPoint(20, below)).has_value());

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(right, CellCentre(0, 0).y()));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, below));
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_FALSE(Edit()->isVisible());

    // A column's right edge still belongs to it.
    const auto edge = grid->HitTestEx(QPoint(grid->columnWidth(0), CellCentre(0, 0).y()));
    ASSERT_TRUE(edge.has_value());
    EXPECT_EQ(edge->column, 0);
}

TEST(DropDownRoom, IsTenMoreThanTheEntriesBelowTenAndElevenFromThere)
{
    EXPECT_EQ(DropDownRoom(0), 10);
    EXPECT_EQ(DropDownRoom(3), 13);
    EXPECT_EQ(DropDownRoom(9), 19);
    EXPECT_EQ(DropDownRoom(10), 11);
    EXPECT_EQ(DropDownRoom(12), 11);
}

TEST_F(ComboListTest, TheDropDownGetsItsRoomAndShowsOnlyItsEntries)
{
    offered = {"a", "b", "c"};
    Click(0, 1);
    ASSERT_TRUE(Combo()->isVisible());
    EXPECT_EQ(Combo()->maxVisibleItems(), 13);
    EXPECT_EQ(Combo()->height(), grid->rowHeight(0));
    ASSERT_TRUE(Combo()->view()->isVisible());
    // The list is as tall as its three entries, not as its room.
    EXPECT_LT(Combo()->view()->height(), 6 * grid->rowHeight(0));
    QTest::keyClick(Combo()->view(), Qt::Key_Escape);
    QTRY_COMPARE(reports.size(), 1U);

    offered.clear();
    for (int i = 0; i < 12; ++i)
        offered << QString("Entry %1").arg(i);
    Click(0, 1);
    EXPECT_EQ(Combo()->maxVisibleItems(), 11);
    EXPECT_EQ(Combo()->GetDropDownList(), offered);
}

TEST_F(ComboListTest, TheDropDownPreselectsByPrefixAndReportsTheChoice)
{
    grid->SetItemText(0, 1, "ger");
    Click(0, 1);
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0], std::make_pair(0, 1));
    EXPECT_EQ(Combo()->currentText(), "German");
    EXPECT_EQ(Combo()->GetWindowTextAtStart(), "ger");

    ASSERT_TRUE(Combo()->view()->isVisible());
    QTest::keyClick(Combo()->view(), Qt::Key_Down);
    QTest::keyClick(Combo()->view(), Qt::Key_Return);
    QTRY_COMPARE(reports.size(), 1U);
    EXPECT_EQ(reports[0].info.iItem, 0);
    EXPECT_EQ(reports[0].info.iSubItem, 1);
    EXPECT_EQ(reports[0].info.pszText, "Spalish");
    EXPECT_FALSE(Combo()->isVisible());

    // Escape in the open list gives back the text from before.
    Click(0, 1);
    QTest::keyClick(Combo()->view(), Qt::Key_Up);
    QTest::keyClick(Combo()->view(), Qt::Key_Escape);
    QTRY_COMPARE(reports.size(), 2U);
    EXPECT_EQ(reports[1].info.pszText, "ger");
}

TEST_F(ComboListTest, DismissingTheListOrAKeyOnTheClosedBoxEndsTheEdit)
{
    grid->SetItemText(0, 1, "English");
    Click(0, 1);
    Combo()->hidePopup();
    QTRY_COMPARE(reports.size(), 1U);
    EXPECT_EQ(reports[0].info.pszText, "English");

    // Opened by the owner, the box shows closed; arrows choose, Enter and Escape end.
    ASSERT_NE(grid->ShowInPlaceList(0, 1, offered, "English", 1), nullptr);
    EXPECT_EQ(Combo()->currentText(), "English");
    QTest::keyClick(Combo(), Qt::Key_Down);
    QTest::keyClick(Combo(), Qt::Key_Return);
    ASSERT_EQ(reports.size(), 2U);
    EXPECT_EQ(reports[1].info.pszText, "German");

    grid->ShowInPlaceList(0, 1, offered, "English", 1);
    QTest::keyClick(Combo(), Qt::Key_Down);
    QTest::keyClick(Combo(), Qt::Key_Escape);
    ASSERT_EQ(reports.size(), 3U);
    EXPECT_EQ(reports[2].info.pszText, "English");
}

TEST_F(ComboListTest, NoDropDownOpensOverAHiddenColumnOrAMissingRow)
{
    grid->SetColumnWidth(1, 9);
    EXPECT_EQ(grid->ShowInPlaceList(0, 1, offered, "", -1), nullptr);
    EXPECT_EQ(grid->ShowInPlaceList(7, 2, offered, "", -1), nullptr);
    EXPECT_EQ(grid->ShowInPlaceList(0, 3, offered, "", -1), nullptr);
    EXPECT_FALSE(Combo()->isVisible());
}

TEST_F(ComboListTest, AFilterRefusesOtherCharactersAndPastes)
{
    grid->SetValidEditCtrlCharacters("0123456789");
    Click(1, 1);
    QTest::keyClicks(Edit(), "1a2");
    EXPECT_EQ(Edit()->text(), "12");
    QTest::keyClick(Edit(), Qt::Key_Backspace);
    EXPECT_EQ(Edit()->text(), "1");

    QApplication::clipboard()->setText("7b");
    QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->text(), "1");
    QApplication::clipboard()->setText("78");
    QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->text(), "178");
    QTest::keyClick(Edit(), Qt::Key_Return);

    // Without a filter anything may be typed or pasted.
    grid->SetValidEditCtrlCharacters({});
    Click(2, 1);
    QApplication::clipboard()->setText("any text");
    QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit()->text(), "any text");
}

TEST_F(ComboListTest, ScrollingEndsTheEditFirst)
{
    for (int i = 0; i < 40; ++i)
        AddRow(QString("Row %1").arg(i), QString::number(i), "");
    Click(1, 1);
    QTest::keyClicks(Edit(), "8");
    grid->verticalScrollBar()->setValue(60);
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_EQ(reports[0].info.pszText, "8");
    EXPECT_FALSE(Edit()->isVisible());
}

TEST_F(ComboListTest, OneEditorServesEveryGridAndSurvivesAGridGoingAway)
{
    auto* second = new CComboListCtrl(dialog.get());
    second->setGeometry(10, 10, 200, 100);
    second->InsertColumn(0, "A", 80);
    second->InsertItem(0, "first");
    std::vector<QString> secondReports;
    QObject::connect(second, &CComboListCtrl::endLabelEdit,
                     [&](int, const EndLabelEditInfo& info) { secondReports.push_back(info.pszText); });
    second->show();

    QTest::mouseClick(second->viewport(), Qt::LeftButton, {}, QPoint(10, 8));
    CInPlaceEdit* shared = Edit();
    ASSERT_TRUE(shared->isVisible());
    EXPECT_EQ(shared->parentWidget(), second->viewport());
    QTest::keyClick(shared, Qt::Key_Return);
    EXPECT_EQ(secondReports, std::vector<QString>{"first"});

    delete second;
    second = nullptr;
    Click(1, 1);
    ASSERT_TRUE(Edit()->isVisible());
    EXPECT_EQ(Edit()->parentWidget(), grid->viewport());
    QTest::keyClick(Edit(), Qt::Key_Return);
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_EQ(reports[0].info.pszText, "3");
}

TEST_F(ComboListTest, AdjustColumnWidthFitsTheWiderOfHeaderAndCells)
{
    grid->SetColumnWidth(0, 5);
    grid->SetColumnWidth(2, 5);
    grid->AdjustColumnWidth();
    const QFontMetrics fm = grid->fontMetrics();
    EXPECT_GE(grid->columnWidth(0), fm.horizontalAdvance("Parameter"));
    EXPECT_GE(grid->columnWidth(2), fm.horizontalAdvance("Display language of the inverter"));
}

} // namespace
} // namespace veltroma
