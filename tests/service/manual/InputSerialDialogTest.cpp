#include "ManualTestSupport.h"

#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "service/manual/CInputSerial.h"
#include "service/manual/OpenManualTest.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

namespace veltroma::test {
namespace {

// Saves a picture of `widget` when VELTROMA_SCREENSHOT_DIR names a folder, to look at.
void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELTROMA_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

class InputSerialDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(link.ready()) << link.sim.errorString().toStdString(); }

    EnglishTexts english;
    SimulatedLink link;
    ScriptedPrompt prompt;
};

TEST_F(InputSerialDialog, FieldsFollowTheInverterAndTheSetButtons)
{
    CInputSerial dialog(prompt, link.channel);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Manual Test"));
    EXPECT_EQ(dialog.dciEntry()->selectedText(), QStringLiteral("0"));

    ASSERT_TRUE(waitUntil([&] { return dialog.dciValue()->text() == QStringLiteral("25"); }, 5000));
    EXPECT_EQ(dialog.dciShiftValue()->text(), QStringLiteral("2000"));

    dialog.serialEntry()->setText(QStringLiteral("VT24000777"));
    dialog.serialSetButton()->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.nowValue()->text() == QStringLiteral("VT24000777"); },
                          10000));
    EXPECT_EQ(dialog.lastValue()->text(), QStringLiteral("A1B2C3D4E5"));
    EXPECT_EQ(dialog.settingValue()->text(), QStringLiteral("VT24000777"));

    dialog.dciEntry()->setText(QStringLiteral("2050"));
    dialog.dciSetButton()->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.dciShiftValue()->text() == QStringLiteral("2050"); },
                          10000));
    saveScreenshot(dialog, QStringLiteral("manualtest"));
    EXPECT_TRUE(prompt.shown().empty());

    dialog.reject();
    EXPECT_FALSE(dialog.isRefreshing());
}

TEST_F(InputSerialDialog, ClosingWhileAnOrderRunsWaitsForTheThreadWithABusyCursor)
{
    auto dialog = std::make_unique<CInputSerial>(prompt, link.channel);
    dialog->show();
    ASSERT_TRUE(link.sim.command(QStringLiteral("silent on")));
    dialog->serialEntry()->setText(QStringLiteral("VT24000777"));
    dialog->serialSetButton()->click();
    ASSERT_TRUE(waitUntil([&] { return !link.requestsOf(QStringLiteral("service-read-serial")).empty(); },
                          10000));

    bool busyWhileClosing = false;
    QTimer::singleShot(50, [&] {
        busyWhileClosing = QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    QElapsedTimer closing;
    closing.start();
    dialog->reject();
    EXPECT_LT(closing.elapsed(), 3000);
    EXPECT_TRUE(busyWhileClosing);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(dialog->isRefreshing());
    dialog.reset();
}

TEST_F(InputSerialDialog, EnterSetsTheValueOfItsOwnField)
{
    CInputSerial dialog(prompt, link.channel);
    dialog.show();
    dialog.dciEntry()->setText(QStringLiteral("1919"));
    QTest::keyClick(dialog.dciEntry(), Qt::Key_Return);
    dialog.serialEntry()->setText(QStringLiteral("VT2400077"));
    QTest::keyClick(dialog.serialEntry(), Qt::Key_Return);
    EXPECT_EQ(prompt.texts(), (QStringList{QStringLiteral("DCI Value should be in 1920~2080 range!"),
                                           QStringLiteral("Serial Number Length should be 10 Char!")}));
    EXPECT_TRUE(dialog.isVisible());
}

TEST(ManualTestEntry, WithTwoInvertersOnTheBusNoServiceCommandGoesOut)
{
    const EnglishTexts english;
    const QString folder = g_szCurPath();
    QTemporaryDir home;
    setProgramFolder(home.path());
    ASSERT_TRUE(saveInverterCount(ProfileFile(g_szSettingPath()), 2));
    VirtualClock clock;
    FakeLink link(clock);
    ScriptedPrompt prompt;

    // A dialog that opened would wait for the user: close it, so that the test ends.
    int opened = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++opened;
            modal->close();
        }
    });
    closer.start(10);
    openManualTest(nullptr, prompt, link, clock);
    setProgramFolder(folder);

    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(link.sent().empty());
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts().front().contains(QStringLiteral("Connect the inverter alone")));
}

} // namespace
} // namespace veltroma::test
