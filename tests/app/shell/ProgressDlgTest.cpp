#include "ShellTestSupport.h"

#include "config/SettingsStartup.h"
#include "controls/TextProgressCtrl.h"
#include "app/shell/ProgressDlg.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

TEST(ProgressDlg, MessagesArriveQueuedAndShowTheLocalizedPercentage)
{
    test::ProgramHome home;
    loadStartupSettings(home.path());
    CProgressDlg dialog;
    ProgressDisplay& display = dialog;
    EXPECT_EQ(dialog.Progress()->GetPos(), 0);

    display.setPosition(30);
    EXPECT_EQ(dialog.Progress()->GetPos(), 0);
    QApplication::processEvents();
    EXPECT_EQ(dialog.Progress()->GetPos(), 30);
    EXPECT_EQ(dialog.Progress()->DisplayText(),
              QString::fromUtf8("Start network Regist………have finished 30%"));

    // The range message starts the count again.
    display.setRange(50);
    QApplication::processEvents();
    int min = -1, max = -1;
    dialog.Progress()->GetRange(min, max);
    EXPECT_EQ(max, 50);
    EXPECT_EQ(dialog.Progress()->GetPos(), 0);
    dialog.OnSetPos(25);
    EXPECT_EQ(dialog.Progress()->DisplayText(),
              QString::fromUtf8("Start network Regist………have finished 50%"));
}

TEST(ProgressDlg, CloseEndsAShownDialogAndIsHarmlessOtherwise)
{
    CProgressDlg dialog;
    QSignalSpy finished(&dialog, &QDialog::finished);
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);

    // The user closed it before the count ended: the close finds nothing.
    static_cast<ProgressDisplay&>(dialog).close();
    QApplication::processEvents();
    EXPECT_EQ(finished.count(), 0);

    dialog.show();
    static_cast<ProgressDisplay&>(dialog).close();
    QApplication::processEvents();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(finished.count(), 1);

    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace veltroma
