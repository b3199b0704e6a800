#include "ShellTestSupport.h"

#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "controls/GfxOutBarCtrl.h"
#include "controls/BitButtonNL.h"
#include "app/shell/InitDlg.h"
#include "app/shell/MainFrame.h"
#include "app/shell/ProgramTitle.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

namespace veltroma {
namespace {

using test::ProgramHome;
using test::TestApp;
using test::whenModal;

// The names created in (or moved into) one folder, in the order the kernel saw them.
class FolderEvents {
public:
    explicit FolderEvents(const QString& folder)
        : m_fd(::inotify_init1(IN_NONBLOCK))
    {
        if (m_fd >= 0)
            ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO);
    }
    ~FolderEvents()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;

    QStringList names()
    {
        alignas(inotify_event) char buffer[8192];
        for (;;) {
            const auto length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0)
                    m_names << QString::fromLocal8Bit(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return m_names;
    }

private:
    int m_fd;
    QStringList m_names;
};

QString portFailure(const QString& description)
{
    return QStringLiteral("Initialize %1 fault,Need Check PC COMM Set!").arg(description);
}

TEST(Startup, EmptyFolderCreatesTheSettingsThenTheLanguagesAndSelectsEnglish)
{
    ProgramHome home;
    FolderEvents events(home.path());
    TestApp t(home.path());
    QStringList created;
    QString listed;
    int entries = 0;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        const QStringList seen = events.names();
        for (const QString& name : seen)
            if (name == u"setting.ini" || name == u"Language")
                created << name;
        listed = dialog.LanguageList()->currentText();
        entries = dialog.LanguageList()->count();
        dialog.CancelButton()->click();
    });
    EXPECT_EQ(t.start(), ExitCode::Ok);

    // setting.ini from the embedded default, then the language files (its "Chinese" has
    // none), then the language taken written back.
    EXPECT_EQ(created, (QStringList{"setting.ini", "Language", "setting.ini"}));
    EXPECT_EQ(home.settingBytes(),
              QByteArray("[Setting]\r\nLanguage=English\r\n; The serial port: a device such as "
                         "/dev/ttyUSB0, a /dev/serial/by-id/ name or COM1.\r\n;CommNum=/dev/ttyUSB0\r\n"));
    EXPECT_EQ(QDir(home.path() + "Language").entryList({"*.ini"}, QDir::Files).size(), 12);
    EXPECT_EQ(listed, QStringLiteral("English"));
    EXPECT_EQ(entries, 12);
    EXPECT_EQ(g_szCurPath(), home.path());

    // Without CommNum the default port is tried; it may or may not exist on this machine.
    EXPECT_EQ(t.app->channel().COMM_CFG, QStringLiteral("COM1,9600,8,N,1"));
    if (!t.app->channel().ChannelOK()) {
        EXPECT_EQ(t.prompt->texts(), QStringList{portFailure("COM1,9600,8,N,1")});
    }
}

TEST(Startup, AProgramFolderThatCannotBeMadeIsToldInAMessageBoxAndNothingElseStarts)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString home = blocker.fileName() + QStringLiteral("/veltroma");
    TestApp t(home);
    // Cancels a start dialog that must not come, instead of waiting for it forever.
    bool dialogShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<CInitDlg*>(QApplication::activeModalWidget())) {
            dialogShown = true;
            dialog->CancelButton()->click();
        }
    });
    watch.start(5);

    EXPECT_EQ(t.start(), ExitCode::Failure);
    // The message the other modes print on standard error, in a box with the program's title;
    // no port was tried, so there is no second message.
    ASSERT_EQ(t.prompt->shown().size(), 1U);
    const auto shown = t.prompt->shown().front();
    EXPECT_TRUE(shown.text.startsWith(QStringLiteral("The program folder %1/ cannot be created: ").arg(home)))
        << shown.text.toStdString();
    EXPECT_EQ(shown.caption, programTitle());
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(t.app->GetMainWnd(), nullptr);
    EXPECT_FALSE(t.app->channel().ChannelOK());
}

TEST(Startup, OpensThePortThatCommNumNamesBeforeTheDialogShows)
{
    ProgramHome home;
    ASSERT_TRUE(home.port().ok());
    home.writePortSettings();
    TestApp t(home.path());
    bool openWhileShown = false;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        openWhileShown = t.app->channel().ChannelOK() && !home.port().slaveClosed();
        dialog.OkButton()->click();
    });
    ASSERT_EQ(t.start(), std::nullopt);
    EXPECT_TRUE(openWhileShown);
    EXPECT_EQ(t.app->channel().COMM_CFG, home.port().description());
    EXPECT_TRUE(t.prompt->texts().isEmpty());
    ASSERT_NE(t.app->GetMainWnd(), nullptr);
    EXPECT_TRUE(t.app->GetMainWnd()->isVisible());
}

TEST(Startup, SettingsReadableByOthersAreMadePrivateAndSaidInOneMessageBeforeTheDialog)
{
    ProgramHome home;
    home.writePortSettings();
    QFile(home.settingPath()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadGroup | QFileDevice::ReadOther);
    TestApp t(home.path());
    qsizetype shownBeforeDialog = -1;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        shownBeforeDialog = t.prompt->shown().size();
        dialog.OkButton()->click();
    });
    ASSERT_EQ(t.start(), std::nullopt);
    EXPECT_EQ(shownBeforeDialog, 1);
    ASSERT_EQ(t.prompt->shown().size(), 1U);
    const auto shown = t.prompt->shown().front();
    EXPECT_TRUE(shown.text.contains(QStringLiteral("(setting.ini)"))) << shown.text.toStdString();
    EXPECT_EQ(shown.caption, programTitle());
    EXPECT_EQ(shown.buttons, PromptButtons::Ok);
    EXPECT_EQ(QFile(home.settingPath()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions{});
}

TEST(Startup, ACommNumThatNamesNoPortIsSaidWithTheFormExpectedAndTheWindowStillComesUp)
{
    ProgramHome home;
    QFile settings(home.settingPath());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Setting]\r\nLanguage=English\r\nCommNum=xyz\r\n");
    // Private as the program makes it: else a note about that comes first.
    settings.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    settings.close();
    TestApp t(home.path());
    whenModal<CInitDlg>([&](CInitDlg& dialog) { dialog.OkButton()->click(); });
    ASSERT_EQ(t.start(), std::nullopt);
    ASSERT_EQ(t.prompt->texts(),
              QStringList{QStringLiteral("CommNum 'xyz' is no port: give a device such as /dev/ttyUSB0 "
                                         "or COM1, optionally followed by ,9600,8,N,1")});
    EXPECT_EQ(t.prompt->shown().front().caption, programTitle());
    EXPECT_FALSE(t.app->channel().ChannelOK());
    ASSERT_NE(t.app->GetMainWnd(), nullptr);
    EXPECT_TRUE(t.app->GetMainWnd()->isVisible());
}

TEST(Startup, CancelAndCloseEndWithoutAMainWindowOrAMessage)
{
    for (const bool viaX : {false, true}) {
        ProgramHome home;
        home.writePortSettings();
        TestApp t(home.path());
        whenModal<CInitDlg>([&](CInitDlg& dialog) {
            (viaX ? dialog.ExitButton() : dialog.CancelButton())->click();
        });
        EXPECT_EQ(t.start(), ExitCode::Ok);
        EXPECT_EQ(t.app->GetMainWnd(), nullptr);
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(window->isVisible()) << window->metaObject()->className();
        EXPECT_TRUE(t.prompt->texts().isEmpty());
        EXPECT_FALSE(t.exitCode.has_value());
    }
}

TEST(Startup, ChoosingALanguageStoresItAndRepaintsTheCaptions)
{
    ProgramHome home;
    home.writePortSettings();
    TestApp t(home.path());
    const QString chinese = QString::fromUtf8("中文(简体)");
    QStringList captions;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        const int index = dialog.LanguageList()->findText(chinese);
        ASSERT_GE(index, 0);
        dialog.LanguageList()->setCurrentIndex(index);
        captions << dialog.TitleLine()->text() << dialog.PromptLine()->text()
                 << dialog.OkButton()->text() << dialog.CancelButton()->text();
        dialog.OkButton()->click();
    });
    ASSERT_EQ(t.start(), std::nullopt);
    EXPECT_EQ(home.setting("Language"), chinese);
    EXPECT_EQ(captions, (QStringList{QString::fromUtf8("Veltroma 监控软件 V3.00"),
                                     QString::fromUtf8("请选择语言"), QString::fromUtf8("确定"),
                                     QString::fromUtf8("取消")}));
    // The main window takes its texts from the language chosen.
    auto* bar = t.app->GetMainWnd()->NavigationBar();
    bar->SetSelFolder(0);
    EXPECT_EQ(bar->GetItemText(0), g_LoadString("IDC_SETTING"));
    EXPECT_NE(g_LoadString("IDC_SETTING"), QStringLiteral("System setting"));
}

TEST(Startup, OkAndCancelStandOnOneLine)
{
    ProgramHome home;
    home.writePortSettings();
    TestApp t(home.path());
    QRect ok, cancel;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        ok = dialog.OkButton()->geometry();
        cancel = dialog.CancelButton()->geometry();
        dialog.CancelButton()->click();
    });
    EXPECT_EQ(t.start(), ExitCode::Ok);
    EXPECT_EQ(ok.top(), cancel.top());
    EXPECT_EQ(ok.bottom(), cancel.bottom());
    EXPECT_LT(ok.right(), cancel.left());
}

void drag(QWidget& window, QPoint from, QPoint by)
{
    const QPoint global = window.mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, from, global, Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &press);
    QMouseEvent move(QEvent::MouseMove, from + by, global + by, Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, from + by, global + by, Qt::LeftButton,
                        Qt::NoButton, {});
    QApplication::sendEvent(&window, &release);
}

TEST(Startup, TheTopBandDragsTheDialogAndNothingBelowItDoes)
{
    ProgramHome home;
    home.writePortSettings();
    TestApp t(home.path());
    QPoint start, afterBand, afterBody;
    whenModal<CInitDlg>([&](CInitDlg& dialog) {
        start = dialog.pos();
        drag(dialog, QPoint(60, CInitDlg::kDragBandHeight - 2), QPoint(40, 30));
        afterBand = dialog.pos();
        drag(dialog, QPoint(60, CInitDlg::kDragBandHeight + 4), QPoint(40, 30));
        afterBody = dialog.pos();
        dialog.CancelButton()->click();
    });
    EXPECT_EQ(t.start(), ExitCode::Ok);
    EXPECT_EQ(afterBand, start + QPoint(40, 30));
    EXPECT_EQ(afterBody, afterBand);
}

} // namespace
} // namespace veltroma
