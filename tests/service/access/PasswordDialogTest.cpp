#include "params/DialogPictures.h"
#include "params/ParamsTestSupport.h"

#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "params/ParaSet.h"
#include "params/ParaSet2.h"
#include "service/access/Password.h"
#include "service/access/ServiceEntries.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace veltroma::test {
namespace {

// Runs `act` on the modal dialog as soon as one is up.
void WhenModal(std::function<void(QWidget&)> act)
{
    QTimer::singleShot(10, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(*modal);
        else
            WhenModal(act);
    });
}

class PasswordDialogTest : public ::testing::Test {
protected:
    EnglishLanguage english;
};

TEST_F(PasswordDialogTest, ThePreFillIsMaskedAndReplacedByTyping)
{
    bool checked = false;
    WhenModal([&](QWidget& modal) {
        auto* pass = qobject_cast<CPassword*>(&modal);
        ASSERT_NE(pass, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(pass));
        EXPECT_EQ(pass->windowTitle(), "Operate Limited");
        EXPECT_EQ(pass->findChild<QLabel*>()->text(), "Password:");
        QLineEdit& field = pass->field();
        EXPECT_EQ(field.echoMode(), QLineEdit::Password);
        EXPECT_EQ(field.text(), " ");
        EXPECT_TRUE(field.hasFocus());
        QTest::keyClicks(&field, "lantern4");
        EXPECT_TRUE(SavePicture(*pass, "password"));
        checked = true;
        QTest::keyClick(&field, Qt::Key_Return);
    });
    EXPECT_EQ(CPassword::Ask(nullptr, " "), "lantern4");
    EXPECT_TRUE(checked);
}

TEST_F(PasswordDialogTest, CancelAndEscapeGiveNothing)
{
    WhenModal([](QWidget& modal) {
        auto* pass = qobject_cast<CPassword*>(&modal);
        ASSERT_NE(pass, nullptr);
        QTest::keyClicks(&pass->field(), "lantern4");
        auto* cancel = modal.findChildren<QPushButton*>().value(1);
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Cancel");
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(CPassword::Ask(nullptr, " "));

    WhenModal([](QWidget& modal) { QTest::keyClick(&modal, Qt::Key_Escape); });
    EXPECT_FALSE(CPassword::Ask(nullptr, ""));
}

// Closes every modal window that comes up while it lives, and counts them: a dialog that
// should not open cannot hang the test.
class ModalCloser {
public:
    ModalCloser()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++opened;
                modal->close();
            }
        });
        timer_.start();
    }

    int opened = 0;

private:
    QTimer timer_;
};

// A program folder of its own, so that its setting.ini decides how many inverters there are.
class ServiceEntriesTest : public ::testing::Test {
protected:
    ServiceEntriesTest() { setProgramFolder(home.path()); }

    QTemporaryDir home;
    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
};

TEST_F(ServiceEntriesTest, TheRockerOpensTheGridParametersOfItsInverter)
{
    prompt.enterPassword(QStringLiteral("lantern4"));
    fake.answerWith({});
    QString shown;
    WhenModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<CParaSet*>(&modal);
        ASSERT_NE(dialog, nullptr);
        shown = dialog->windowTitle();
        QTest::mouseClick(&dialog->uploadButton(), Qt::LeftButton);
        dialog->reject();
    });
    EXPECT_TRUE(OpenGridParameters(nullptr, prompt, fake.channel(), 4));
    EXPECT_EQ(shown, "Parameter Management");
    // The dialog talked to inverter 4.
    ASSERT_FALSE(fake.requests().empty());
    EXPECT_EQ(fake.requests().front()[5], 4);
    EXPECT_EQ(prompt.passwordPrefills(), std::deque<QString>{" "});
}

TEST_F(ServiceEntriesTest, TheNavigationItemOpensTheDisplayParametersWithItsCodeOnly)
{
    prompt.enterPassword(QStringLiteral("lantern6"));
    EXPECT_FALSE(OpenDisplayParameters(nullptr, prompt, fake.channel()));
    EXPECT_EQ(prompt.texts(), QStringList{"Password not correct!"});

    prompt.enterPassword(QStringLiteral("lantern4"));
    bool opened = false;
    WhenModal([&](QWidget& modal) {
        opened = qobject_cast<CParaSet2*>(&modal) != nullptr;
        modal.close();
    });
    EXPECT_TRUE(OpenDisplayParameters(nullptr, prompt, fake.channel()));
    EXPECT_TRUE(opened);
}

TEST_F(ServiceEntriesTest, WithSeveralInvertersTheDisplayParametersRefuseBeforeAnythingIsSent)
{
    ASSERT_TRUE(saveInverterCount(ProfileFile(g_szSettingPath()), 3));
    fake.answerWith(displayReply(0x31));
    prompt.enterPassword(QStringLiteral("lantern4"));
    {
        const ModalCloser closer;
        EXPECT_FALSE(OpenDisplayParameters(nullptr, prompt, fake.channel()));
        EXPECT_EQ(closer.opened, 0);
    }
    EXPECT_TRUE(fake.requests().empty());
    EXPECT_EQ(fake.portInits, 0);
    EXPECT_TRUE(prompt.passwordPrefills().empty()) << "no code asked for a dialog that cannot work";
    ASSERT_EQ(prompt.shown().size(), 1U);
    const QString refusal = prompt.texts().front();
    EXPECT_TRUE(refusal.contains(QStringLiteral("without a bus address")));
    EXPECT_TRUE(refusal.contains(QStringLiteral("set the number of inverters to 1")));

    // Back to one inverter, the same entry opens the dialog.
    ASSERT_TRUE(saveInverterCount(ProfileFile(g_szSettingPath()), 1));
    const ModalCloser closer;
    EXPECT_TRUE(OpenDisplayParameters(nullptr, prompt, fake.channel()));
    EXPECT_EQ(closer.opened, 1);
}

} // namespace
} // namespace veltroma::test
