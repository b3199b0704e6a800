#include "ShellTestSupport.h"

#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "controls/BitButtonNL.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/SplitterWndEx.h"
#include "app/shell/ComCfgDlg.h"
#include "app/shell/InitDlg.h"
#include "app/shell/MainFrame.h"
#include "app/shell/PositionPin.h"
#include "app/shell/ProgressDlg.h"
#include "app/view/MonitorView.h"
#include "monitor/MonitorSession.h"
#include "controls/TextProgressCtrl.h"
#include "params/ParaSet.h"
#include "params/ParaSet2.h"
#include "service/autotest/CTestView.h"
#include "service/manual/CInputSerial.h"

#include <QDir>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

using test::ProgramHome;
using test::TestApp;
using test::whenModal;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.port().ok());
        home.writePortSettings();
        whenModal<CInitDlg>([](CInitDlg& dialog) { dialog.OkButton()->click(); });
        ASSERT_EQ(t.start(), std::nullopt);
        frame = t.app->GetMainWnd();
        ASSERT_NE(frame, nullptr);
        QApplication::processEvents();
        bar = frame->NavigationBar();
    }

    void click(QPoint at)
    {
        QTest::mouseClick(bar, Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
    void clickItem(int folder, int item)
    {
        if (bar->GetSelFolder() != folder)
            click(bar->GetFolderRect(folder).center());
        ASSERT_EQ(bar->GetSelFolder(), folder);
        const QRect rect = bar->GetItemRect(item);
        ASSERT_FALSE(rect.isEmpty());
        click(rect.center());
    }

    ProgramHome home;
    TestApp t{home.path()};
    CMainFrame* frame = nullptr;
    CGfxOutBarCtrl* bar = nullptr;
};

TEST_F(MainFrameTest, HasItsSizeTitleNavigationBarAndMonitorForm)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Veltroma monitor V3.00"));
    EXPECT_EQ(frame->menuWidget(), nullptr);
    EXPECT_EQ(frame->frameGeometry().size(), kMainFramePin.size());

    // The navigation bar has a width of its own; the empty view none; the form the rest.
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->width(), CMainFrame::kNavigationWidth);
    EXPECT_FALSE(frame->Splitter()->GetPane(0, 1)->isVisible());
    QWidget* form = frame->MonitorPane();
    EXPECT_NE(qobject_cast<CMonitorView*>(form), nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_GT(form->x(), bar->width());
    EXPECT_EQ(form->geometry().right(), frame->Splitter()->width() - 1);

    // Every entry of both folders can be reached.
    EXPECT_EQ(bar->GetFolderCount(), 2);
    for (int folder = 0; folder < 2; ++folder) {
        bar->SetSelFolder(folder);
        ASSERT_EQ(bar->GetItemCount(), 2);
        for (int item = 0; item < 2; ++item)
            EXPECT_TRUE(bar->rect().contains(bar->GetItemRect(item))) << folder << "/" << item;
    }
    EXPECT_EQ(bar->GetFolderData(1), 1u);
}

TEST_F(MainFrameTest, CanBeMovedButKeepsItsSizeAndIsNeverMaximised)
{
    frame->move(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(frame->frameGeometry(), QRect(QPoint(300, 200), kMainFramePin.size()));

    frame->resize(800, 500);
    QApplication::processEvents();
    EXPECT_EQ(frame->frameGeometry().size(), kMainFramePin.size());

    frame->showMaximized();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(frame->isMaximized());
    EXPECT_EQ(frame->frameGeometry().size(), kMainFramePin.size());
}

TEST_F(MainFrameTest, OpensOnTheFreeAreaOfASmallPrimaryScreen)
{
    // The test platform's screen is smaller than the window.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_FALSE(available.contains(kMainFramePin));
    EXPECT_EQ(frame->frameGeometry().topLeft(), mainFrameOpening(available));
    EXPECT_TRUE(available.contains(frame->frameGeometry().topLeft()));
}

TEST(MainFrameOpening, UsesTheUsualPlaceWhenTheWindowFitsAndCentresOtherwise)
{
    struct Case {
        QRect available;
        QPoint expected;
    };
    for (const Case& c : {
             // The usual place, exactly fitting and with room to spare.
             Case{{0, 0, 1256, 690}, {100, 40}},
             Case{{0, 0, 1920, 1040}, {100, 40}},
             // A panel on the left leaves the usual place partly covered: centred.
             Case{{200, 0, 1720, 1080}, {200 + (1720 - 1156) / 2, (1080 - 650) / 2}},
             // One pixel too narrow: centred in the free area.
             Case{{0, 0, 1255, 800}, {50, 75}},
             // A secondary layout where the primary screen starts right of the origin.
             Case{{1920, 30, 1280, 690}, {1920 + 62, 30 + 20}},
             // Smaller than the window: the title bar stays on the screen.
             Case{{0, 0, 1024, 600}, {0, 0}},
             Case{{0, 24, 800, 576}, {0, 24}},
         }) {
        SCOPED_TRACE(testing::Message() << c.available.x() << "," << c.available.y() << " "
                                        << c.available.width() << "x" << c.available.height());
        EXPECT_EQ(mainFrameOpening(c.available), c.expected);
    }
}

TEST_F(MainFrameTest, ExitQuestionNoKeepsEverythingRunning)
{
    t.prompt->answer(PromptAnswer::No);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(t.app->channel().ChannelOK());
    EXPECT_FALSE(home.port().slaveClosed());
    EXPECT_FALSE(t.exitCode.has_value());
    const auto shown = t.prompt->shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front().text, g_LoadString("IDC_EXITINFORMATION"));
    EXPECT_EQ(shown.front().buttons, PromptButtons::YesNo);
}

TEST_F(MainFrameTest, ExitQuestionYesClosesThePortAndEndsWithZero)
{
    t.prompt->answer(PromptAnswer::Yes);
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(t.app->channel().ChannelOK());
    EXPECT_TRUE(home.port().slaveClosed());
    EXPECT_EQ(t.exitCode, 0);
}

TEST_F(MainFrameTest, AFolderChangeOpensNothing)
{
    click(bar->GetFolderRect(1).center());
    EXPECT_EQ(bar->GetSelFolder(), 1);
    click(bar->GetFolderRect(0).center());
    EXPECT_EQ(bar->GetSelFolder(), 0);
    EXPECT_TRUE(t.prompt->texts().isEmpty());
    EXPECT_TRUE(t.prompt->passwordPrefills().empty());
    EXPECT_TRUE(t.opened.isEmpty());
}

TEST_F(MainFrameTest, SystemEntriesOpenTheSettingsAndTheHelpFile)
{
    bool settingsShown = false;
    whenModal<CComCfgDlg>([&](CComCfgDlg& dialog) {
        settingsShown = true;
        dialog.reject();
    });
    clickItem(0, 0);
    EXPECT_TRUE(settingsShown);

    // No help file beside the program: the message, and nothing opened.
    clickItem(0, 1);
    EXPECT_EQ(t.prompt->texts(), QStringList{"Cann't find MarovikHlp.chm !"});
    EXPECT_TRUE(t.opened.isEmpty());

    ASSERT_TRUE(QDir(home.path()).mkpath("Help"));
    QFile help(home.path() + "Help/MarovikHlp.chm");
    ASSERT_TRUE(help.open(QIODevice::WriteOnly));
    help.close();
    t.prompt->clear();
    clickItem(0, 1);
    EXPECT_EQ(t.opened, QStringList{home.path() + "Help/MarovikHlp.chm"});
    EXPECT_TRUE(t.prompt->texts().isEmpty());
}

// Closes the next modal dialog of type T and counts it.
template <typename T>
void closeNext(int& shown)
{
    whenModal<T>([&shown](T& dialog) {
        ++shown;
        dialog.reject();
    });
}

TEST_F(MainFrameTest, ServiceEntriesAskForTheirOwnCode)
{
    const QString refused = g_LoadString("IDC_PASSWORDERROR");

    // Parameter management: pre-filled with a space, opened by the first code only.
    t.prompt->enterPassword(QStringLiteral(" "));
    t.prompt->enterPassword(QStringLiteral("lantern6"));
    t.prompt->enterPassword(QStringLiteral("LANTERN4"));
    t.prompt->enterPassword(QStringLiteral("lantern4"));
    int displayParameters = 0;
    closeNext<CParaSet2>(displayParameters);
    for (int i = 0; i < 4; ++i)
        clickItem(1, 0);
    EXPECT_EQ(t.prompt->texts(), (QStringList{refused, refused, refused}));
    EXPECT_EQ(displayParameters, 1);

    // Auto test: pre-filled with nothing, opened by the third code only; Cancel says nothing.
    t.prompt->clear();
    t.prompt->enterPassword(std::nullopt);
    t.prompt->enterPassword(QStringLiteral("lantern4"));
    t.prompt->enterPassword(QStringLiteral("lantern6"));
    int testView = 0;
    closeNext<CTestView>(testView);
    for (int i = 0; i < 3; ++i)
        clickItem(1, 1);
    EXPECT_EQ(t.prompt->texts(), QStringList{refused});
    EXPECT_EQ(testView, 1);

    const auto prefills = t.prompt->passwordPrefills();
    ASSERT_EQ(prefills.size(), 7u);
    EXPECT_EQ(prefills[0], QStringLiteral(" "));
    EXPECT_EQ(prefills[4], QString());
}

TEST_F(MainFrameTest, WithSeveralInvertersTheEntriesWithoutAddressRefuseBeforeAskingForACode)
{
    ASSERT_TRUE(saveInverterCount(ProfileFile(g_szSettingPath()), 2));
    t.prompt->clear();
    frame->OnTest();
    clickItem(1, 0); // display parameters
    clickItem(1, 1); // auto test
    const QString refusal = g_LoadString("IDC_ONEINVERTER_ONLY");
    EXPECT_EQ(t.prompt->texts(), (QStringList{refusal, refusal, refusal}));
    EXPECT_TRUE(t.prompt->passwordPrefills().empty());
}

// setting.ini names two inverters on the bus and the serial of slot 2 before the program starts.
TEST(MainFrameWithSeveralInverters, TheSessionHasTheStoredSlotsAndTheSettingsClearOneInTheEngine)
{
    ProgramHome home;
    ASSERT_TRUE(home.port().ok());
    home.writePortSettings();
    const ProfileFile settings(home.settingPath());
    ASSERT_TRUE(saveInverterCount(settings, 2));
    ASSERT_TRUE(saveSlotSerial(settings, 2, QStringLiteral("VT24000124")));
    TestApp t{home.path()};
    whenModal<CInitDlg>([](CInitDlg& dialog) { dialog.OkButton()->click(); });
    ASSERT_EQ(t.start(), std::nullopt);
    const MonitorEngine& engine = t.app->session().engine();
    EXPECT_EQ(engine.busSlots().count(), 2);
    EXPECT_EQ(engine.busSlots().status(2).serial, "VT24000124");

    // Clear and OK in the settings free slot 2 in the file and in the running engine.
    whenModal<CComCfgDlg>([&](CComCfgDlg& dialog) {
        dialog.SlotsGroup()->findChild<QPushButton*>(QStringLiteral("slotClear2"))->click();
        dialog.accept();
    });
    t.app->GetMainWnd()->OnCommSettings();
    EXPECT_TRUE(engine.busSlots().status(2).serial.isEmpty());
    EXPECT_TRUE(loadInverterSlots(settings).serials[2].isEmpty());
}

TEST_F(MainFrameTest, TheMonitorFormsButtonsOpenTheFramesDialogs)
{
    bool settingsShown = false;
    whenModal<CComCfgDlg>([&](CComCfgDlg& dialog) {
        settingsShown = true;
        dialog.reject();
    });
    frame->MonitorPane()->findChild<QPushButton*>("selectComButton")->click();
    EXPECT_TRUE(settingsShown);

    frame->MonitorPane()->findChild<QPushButton*>("helpButton")->click();
    EXPECT_EQ(t.prompt->texts(), QStringList{"Cann't find MarovikHlp.chm !"});

    // The test dialog takes the second code, the rockers the first.
    t.prompt->clear();
    t.prompt->enterPassword(QStringLiteral("lantern4"));
    t.prompt->enterPassword(QStringLiteral("lantern5"));
    int manualTest = 0;
    closeNext<CInputSerial>(manualTest);
    frame->OnTest();
    frame->OnTest();
    EXPECT_EQ(manualTest, 1);

    t.prompt->enterPassword(QStringLiteral("lantern5"));
    t.prompt->enterPassword(QStringLiteral("lantern4"));
    int gridParameters = 0;
    closeNext<CParaSet>(gridParameters);
    frame->OnRocker(3);
    frame->OnRocker(3);
    EXPECT_EQ(gridParameters, 1);

    const QString refused = g_LoadString("IDC_PASSWORDERROR");
    EXPECT_EQ(t.prompt->texts(), (QStringList{refused, refused}));
    for (const QString& prefill : t.prompt->passwordPrefills())
        EXPECT_EQ(prefill, QStringLiteral(" "));
}

TEST_F(MainFrameTest, RegistrationProgressOpensModalAtZero)
{
    CProgressDlg& progress = frame->ProgressDialog();
    progress.OnSetPos(70);
    int shownAt = -1;
    whenModal<CProgressDlg>([&](CProgressDlg& dialog) {
        shownAt = dialog.Progress()->GetPos();
        dialog.reject();
    });
    static_cast<RegistrationProgress&>(progress).showModal();
    EXPECT_EQ(shownAt, 0);
    EXPECT_FALSE(progress.isVisible());
}

} // namespace
} // namespace veltroma
