#include "DialogPictures.h"
#include "ParamsTestSupport.h"

#include "config/ProgramPaths.h"
#include "controls/ComboListCtrl.h"
#include "controls/InPlaceCombo.h"
#include "controls/InPlaceEdit.h"
#include "params/ParaSet.h"
#include "params/ParaSet2.h"
#include "support/ScriptedPrompt.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

QPoint CellCentre(const CComboListCtrl& grid, int row, int column)
{
    return QRect(grid.columnViewportPosition(column), grid.rowViewportPosition(row),
                 grid.columnWidth(column), grid.rowHeight(row))
        .center();
}

void Click(CComboListCtrl& grid, int row, int column)
{
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CellCentre(grid, row, column));
}

// Types `text` into the value cell of `row` and ends the edit with Enter.
void Type(CComboListCtrl& grid, int row, const QString& text)
{
    Click(grid, row, 1);
    ASSERT_TRUE(CInPlaceEdit::GetInstance()->isVisible());
    QTest::keyClicks(CInPlaceEdit::GetInstance(), text);
    QTest::keyClick(CInPlaceEdit::GetInstance(), Qt::Key_Return);
}

QStringList Column(const CComboListCtrl& grid, int column)
{
    QStringList texts;
    for (int row = 0; row < grid.GetItemCount(); ++row)
        texts << grid.GetItemText(row, column);
    return texts;
}

class ParamDialogsTest : public ::testing::Test {
protected:
    // Backups go to a program folder of the test's own.
    ParamDialogsTest() { setProgramFolder(home.path()); }

    template <typename Dialog>
    void show(Dialog& dialog)
    {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    QTemporaryDir home;
    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
};

TEST_F(ParamDialogsTest, GridParametersUploadEditAndDownload)
{
    CParaSet dialog(fake.channel(), prompt, 1);
    show(dialog);
    CComboListCtrl& grid = dialog.grid();
    EXPECT_EQ(dialog.windowTitle(), "Parameter Management");
    EXPECT_EQ(grid.horizontalHeaderItem(2)->text(), "Note");
    EXPECT_EQ(Column(grid, 0), (QStringList{"Vpv-start", "T-start", "Vac-min", "Vac-max", "f-min",
                                            "f-max", "DCI-Limit"}));
    EXPECT_EQ(grid.GetItemText(3, 2), "Grid voltage upper limit (V), 183.0~275.0");
    // The whole grid shows without scrolling.
    EXPECT_FALSE(grid.verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(dialog.downloadButton().isEnabled());
    EXPECT_TRUE(dialog.clearButton().isHidden());
    EXPECT_TRUE(SavePicture(dialog, "paraset-opened"));

    EXPECT_FALSE(dialog.restoreButton().isEnabled());
    fake.actAsInverter({2500, 60, 1960, 2530, 4750, 5050, 0, 0, 1000});
    QTest::mouseClick(&dialog.uploadButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.restoreButton().isEnabled());
    EXPECT_EQ(Column(grid, 1),
              (QStringList{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"}));
    EXPECT_TRUE(dialog.downloadButton().isEnabled());

    Type(grid, 3, "400");
    Type(grid, 1, "abc");
    EXPECT_EQ(grid.GetItemText(3, 1), "275.0");
    EXPECT_EQ(grid.GetItemText(1, 1), "30");
    EXPECT_TRUE(SavePicture(dialog, "paraset-values"));

    const auto before = fake.requests().size();
    QTest::mouseClick(&dialog.downloadButton(), Qt::LeftButton);
    // The serial number for the backup, T-start, Vac-max with 2750, and the read-back.
    const auto requests = fake.requests();
    ASSERT_EQ(requests.size(), before + 4);
    EXPECT_EQ(requests[before + 1][7], 0x01);
    EXPECT_EQ(std::vector(requests[before + 2].begin() + 7, requests[before + 2].begin() + 11),
              (std::vector<std::uint8_t>{0x05, 0x02, 0x0A, 0xBE}));
    EXPECT_EQ(requests[before + 3][7], 0x04);
    EXPECT_EQ(prompt.texts().back(), " Download succeed ");
    EXPECT_EQ(Column(grid, 1),
              (QStringList{"250.0", "30", "196.0", "275.0", "47.50", "50.50", "1000"}));
    EXPECT_TRUE(dialog.downloadButton().isEnabled());
}

TEST_F(ParamDialogsTest, ADisplayThatDoesNotAnswerGetsOneMessage)
{
    CParaSet2 dialog(fake.channel(), prompt);
    show(dialog);
    fake.answerWith({});
    QTest::mouseClick(&dialog.uploadButton(), Qt::LeftButton);
    EXPECT_EQ(prompt.texts(), QStringList{"Please UpLoad Data again!"});
    EXPECT_EQ(fake.requests().size(), 3U);
    EXPECT_FALSE(dialog.downloadButton().isEnabled());
}

TEST_F(ParamDialogsTest, DisplayParametersOfferTheFourLanguagesAndBoundTheContrast)
{
    CParaSet2 dialog(fake.channel(), prompt);
    show(dialog);
    CComboListCtrl& grid = dialog.grid();
    EXPECT_EQ(Column(grid, 0), (QStringList{"Language", "Contrast"}));
    EXPECT_EQ(Column(grid, 2), (QStringList{"Display language of the inverter", "0~6"}));
    EXPECT_FALSE(dialog.downloadButton().isEnabled());

    fake.answerWith(displayReply(0x31));
    QTest::mouseClick(&dialog.uploadButton(), Qt::LeftButton);
    EXPECT_EQ(Column(grid, 1), (QStringList{"English", "3"}));
    EXPECT_TRUE(dialog.downloadButton().isEnabled());
    EXPECT_TRUE(SavePicture(dialog, "paraset2-values"));

    Click(grid, 0, 1);
    CInPlaceCombo* combo = CInPlaceCombo::GetInstance();
    ASSERT_TRUE(combo->isVisible());
    EXPECT_EQ(combo->GetDropDownList(), (QStringList{"Italian", "English", "German", "Spalish"}));
    EXPECT_EQ(combo->currentText(), "English");
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QTRY_COMPARE(grid.GetItemText(0, 1), QStringLiteral("German"));

    Type(grid, 1, "9");
    EXPECT_EQ(grid.GetItemText(1, 1), "6");
    Type(grid, 1, "5");

    // The display takes the values: the write and its read-back get the same block.
    fake.answerWith(displayReply(0x52));
    const auto before = fake.requests().size();
    QTest::mouseClick(&dialog.downloadButton(), Qt::LeftButton);
    ASSERT_EQ(fake.requests().size(), before + 2);
    EXPECT_EQ(fake.requests()[before][9], 0x02);
    EXPECT_EQ(Column(grid, 1), (QStringList{"German", "5"}));
    EXPECT_TRUE(dialog.downloadButton().isEnabled());
}

} // namespace
} // namespace veltroma::test
