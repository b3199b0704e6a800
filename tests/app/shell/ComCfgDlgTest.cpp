#include "ShellTestSupport.h"

#include "config/SettingsStartup.h"
#include "app/shell/ComCfgDlg.h"
#include "app/shell/CommSettings.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "params/DialogPictures.h"
#include "publish/MqttSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

using test::ProgramHome;
using test::ScriptedPrompt;

const QStringList kComPorts{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"};

TEST(CommSettings, PreselectionFollowsTheStoredPort)
{
    const QStringList ports = kComPorts + QStringList{"/dev/ttyS0", "/dev/ttyUSB0"};
    EXPECT_EQ(PreselectedPort(ports, "COM5,9600,8,N,1"), 4);
    EXPECT_EQ(PreselectedPort(ports, "com5,4800,8,N,1"), 4);
    EXPECT_EQ(PreselectedPort(ports, "COM2"), 1);
    // The first four characters decide for COM names the list does not hold.
    EXPECT_EQ(PreselectedPort(ports, "COM55,9600,8,N,1"), 4);
    EXPECT_EQ(PreselectedPort(ports, "/dev/ttyUSB0,9600,8,N,1"), 10);
    // A device is never taken for another that merely begins alike.
    EXPECT_EQ(PreselectedPort(ports, "/dev/ttyACM0,9600,8,N,1"), std::nullopt);
    EXPECT_EQ(PreselectedPort(ports, "XYZ"), std::nullopt);
    EXPECT_EQ(PreselectedPort(ports, ""), std::nullopt);
}

TEST(CommSettings, TheDeviceInUseIsAlwaysOffered)
{
    EXPECT_EQ(ComPortChoices(kComPorts, "COM3,9600,8,N,1"), kComPorts);
    EXPECT_EQ(ComPortChoices(kComPorts, "/dev/pts/7,9600,8,N,1"), kComPorts + QStringList{"/dev/pts/7"});
    EXPECT_EQ(ComPortChoices(kComPorts + QStringList{"/dev/ttyS0"}, "/dev/ttyS0,9600,8,N,1"),
              kComPorts + QStringList{"/dev/ttyS0"});
    EXPECT_EQ(ComCfgString("COM3"), QStringLiteral("COM3,9600,8,N,1"));
}

class ComCfgDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.port().ok());
        home.writePortSettings();
        const StartupSettings settings = loadStartupSettings(home.path());
        channel.COMM_CFG = settings.portDescription;
        channel.PortInit(0);
        ASSERT_TRUE(channel.ChannelOK());
    }

    ProgramHome home;
    ScriptedPrompt prompt;
    Channel channel{steadyClock(), prompt};
};

TEST_F(ComCfgDlgTest, OpensWithTheStoredPortAndLocalizedTexts)
{
    home.writeSettings("COM5,9600,8,N,1");
    CComCfgDlg dialog(channel, prompt);
    EXPECT_EQ(dialog.PortList()->currentText(), QStringLiteral("COM5"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("PC Communication Setting"));
    EXPECT_EQ(dialog.findChild<QLabel*>()->text(), QStringLiteral("PC RS232 No."));
    const QStringList first9 = [&] {
        QStringList items;
        for (int i = 0; i < 9; ++i)
            items << dialog.PortList()->itemText(i);
        return items;
    }();
    EXPECT_EQ(first9, kComPorts);
}

TEST_F(ComCfgDlgTest, ThePortInUseIsListedAndKeptByOk)
{
    const QByteArray before = home.settingBytes();
    CComCfgDlg dialog(channel, prompt);
    EXPECT_EQ(dialog.PortList()->currentText(), home.port().slavePath());
    dialog.accept();
    EXPECT_EQ(home.setting("CommNum"), home.port().description());
    EXPECT_EQ(home.settingBytes(), before);
    EXPECT_TRUE(channel.ChannelOK());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(ComCfgDlgTest, WithoutCommNumThePortInUseIsPreselected)
{
    home.writeSettings({});
    channel.COMM_CFG = QStringLiteral("COM4,9600,8,N,1");
    CComCfgDlg dialog(channel, prompt);
    EXPECT_EQ(dialog.PortList()->currentText(), QStringLiteral("COM4"));
}

TEST_F(ComCfgDlgTest, OkStoresTheChosenPortAndReopensOnIt)
{
    CComCfgDlg dialog(channel, prompt);
    dialog.PortList()->setCurrentIndex(2);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(home.setting("CommNum"), QStringLiteral("COM3,9600,8,N,1"));
    EXPECT_EQ(home.setting("Language"), QStringLiteral("English"));
    EXPECT_EQ(channel.COMM_CFG, QStringLiteral("COM3,9600,8,N,1"));
    // The old port is closed; COM3 may or may not exist here, and a failure is reported.
    EXPECT_TRUE(home.port().slaveClosed());
    if (!channel.ChannelOK()) {
        // The message, then on a line of its own why the port could not be opened.
        ASSERT_EQ(prompt.texts().size(), 1);
        EXPECT_TRUE(prompt.texts().front().startsWith(
            QStringLiteral("Initialize COM3,9600,8,N,1 fault,Need Check PC COMM Set!\n")));
    }
}

TEST_F(ComCfgDlgTest, CancelChangesNothing)
{
    const QByteArray before = home.settingBytes();
    const QString description = channel.COMM_CFG;
    CComCfgDlg dialog(channel, prompt);
    dialog.PortList()->setCurrentIndex(2);
    dialog.reject();
    EXPECT_EQ(home.settingBytes(), before);
    EXPECT_EQ(channel.COMM_CFG, description);
    EXPECT_TRUE(channel.ChannelOK());
    EXPECT_FALSE(home.port().slaveClosed());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(ComCfgDlgTest, AStoredPortThatMatchesNothingIsNeverReplacedByAnInventedOne)
{
    home.writeSettings("XYZ,9600,8,N,1");
    const QByteArray before = home.settingBytes();
    CComCfgDlg dialog(channel, prompt);
    EXPECT_EQ(dialog.PortList()->currentIndex(), -1);
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_FALSE(ok->isEnabled());
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(home.settingBytes(), before);
    EXPECT_TRUE(channel.ChannelOK());

    dialog.PortList()->setCurrentIndex(0);
    EXPECT_TRUE(ok->isEnabled());
}

TEST_F(ComCfgDlgTest, BrokerFieldsShowTheStoredSettingsAndOkStoresTheirChanges)
{
    const ProfileFile file(g_szSettingPath());
    MqttSettings stored;
    stored.host = QStringLiteral("broker.lan");
    stored.port = 1884;
    stored.password = QStringLiteral("secret");
    // Kept although the dialog has no field for it.
    stored.retainState = false;
    ASSERT_TRUE(saveMqttSettings(file, stored));

    CComCfgDlg dialog(channel, prompt);
    EXPECT_EQ(dialog.findChild<QGroupBox*>(QStringLiteral("mqttGroup"))->title(),
              QStringLiteral("MQTT broker (Home Assistant)"));
    auto* host = dialog.findChild<QLineEdit*>(QStringLiteral("mqttHost"));
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("mqttPassword"));
    EXPECT_EQ(host->text(), QStringLiteral("broker.lan"));
    EXPECT_EQ(dialog.findChild<QSpinBox*>(QStringLiteral("mqttPort"))->value(), 1884);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    host->setText(QStringLiteral(" 10.0.0.2 "));
    auto* perValue = dialog.findChild<QCheckBox*>(QStringLiteral("mqttPerValueTopics"));
    EXPECT_FALSE(perValue->isChecked());
    perValue->setChecked(true);
    dialog.accept();
    stored.host = QStringLiteral("10.0.0.2");
    stored.perValueTopics = true;
    EXPECT_EQ(loadMqttSettings(file), stored);
    EXPECT_EQ(home.setting("CommNum"), home.port().description());
}

TEST_F(ComCfgDlgTest, APrefixWithAWildcardIsRefusedWithAMessageAndNothingIsStored)
{
    const ProfileFile file(g_szSettingPath());
    MqttSettings stored;
    stored.host = QStringLiteral("broker.lan");
    ASSERT_TRUE(saveMqttSettings(file, stored));

    CComCfgDlg dialog(channel, prompt);
    dialog.show();
    auto* prefix = dialog.findChild<QLineEdit*>(QStringLiteral("mqttPrefix"));
    prefix->setText(QStringLiteral("home/+/pv"));
    dialog.accept();
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_EQ(prompt.texts().front(),
              QStringLiteral("The MQTT prefix \"home/+/pv\" may not hold + or # or control characters: "
                             "nothing is published. Change it in the communication settings."));
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open to mend the prefix";
    EXPECT_EQ(loadMqttSettings(file), stored);

    // The discovery prefix leads topics too, and the message names it.
    prefix->setText(QStringLiteral("home/pv"));
    auto* discoveryPrefix = dialog.findChild<QLineEdit*>(QStringLiteral("mqttDiscoveryPrefix"));
    discoveryPrefix->setText(QStringLiteral("ha/#"));
    dialog.accept();
    ASSERT_EQ(prompt.texts().size(), 2);
    EXPECT_TRUE(prompt.texts().back().startsWith(QStringLiteral("The MQTT prefix \"ha/#\"")))
        << prompt.texts().back().toStdString();
    EXPECT_EQ(loadMqttSettings(file), stored);

    discoveryPrefix->setText(QStringLiteral(" ha "));
    dialog.accept();
    EXPECT_EQ(prompt.texts().size(), 2);
    stored.prefix = QStringLiteral("home/pv");
    stored.discoveryPrefix = QStringLiteral("ha");
    EXPECT_EQ(loadMqttSettings(file), stored);
}

// setting.ini with three inverters on the bus, two of them known.
class SlotsTableTest : public ComCfgDlgTest {
protected:
    void SetUp() override
    {
        ComCfgDlgTest::SetUp();
        const ProfileFile file(g_szSettingPath());
        ASSERT_TRUE(saveInverterCount(file, 3));
        ASSERT_TRUE(saveSlotSerial(file, 1, QStringLiteral("VT24000001")));
        ASSERT_TRUE(saveSlotSerial(file, 3, QStringLiteral("VT24000003")));
    }

    InverterSlotHooks hooks()
    {
        return {[this](int slot) { return slot == 1 ? seen : QDateTime(); },
                [this](int slot) { cleared.push_back(slot); }};
    }

    static QString cell(const CComCfgDlg& dialog, int slot, int column)
    {
        return dialog.SlotsGroup()->table()->item(slot - 1, column)->text();
    }
    static QPushButton* clearButton(const CComCfgDlg& dialog, int slot)
    {
        return dialog.findChild<QPushButton*>(QStringLiteral("slotClear%1").arg(slot));
    }

    QDateTime seen = QDateTime::currentDateTime().addSecs(-2);
    std::vector<int> cleared;
};

TEST_F(SlotsTableTest, ShowsTheSlotsOfTheCountWithSerialsAndLastReply)
{
    CComCfgDlg dialog(channel, prompt, nullptr, hooks());
    InverterSlotsGroup& group = *dialog.SlotsGroup();
    EXPECT_EQ(group.title(), QStringLiteral("Inverters on the bus"));
    EXPECT_EQ(group.countBox()->value(), 3);
    QTableWidget& table = *group.table();
    EXPECT_EQ(table.horizontalHeaderItem(1)->text(), QStringLiteral("Serial number"));
    EXPECT_EQ(table.horizontalHeaderItem(2)->text(), QStringLiteral("Last seen"));
    EXPECT_EQ(cell(dialog, 1, 1), QStringLiteral("VT24000001"));
    EXPECT_EQ(cell(dialog, 2, 1), QStringLiteral("free"));
    EXPECT_EQ(cell(dialog, 1, 2), seen.toString(QStringLiteral("HH:mm:ss")));
    EXPECT_EQ(cell(dialog, 3, 2), QString());
    for (int slot = 1; slot <= InverterSlots::kMaxCount; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(table.item(slot - 1, 1)->flags().testFlag(Qt::ItemIsEnabled), slot <= 3);
        EXPECT_EQ(clearButton(dialog, slot)->isEnabled(), slot == 1 || slot == 3);
    }

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    // Nothing is cut: every column shows its whole text.
    for (int column = 0; column < 3; ++column) {
        for (int slot : {1, 2, 3}) {
            const QString text = cell(dialog, slot, column);
            EXPECT_GE(table.columnWidth(column), table.fontMetrics().horizontalAdvance(text)) << slot;
        }
    }
    // The window is never made smaller than its contents (the test screen is small).
    EXPECT_GE(dialog.height(), dialog.minimumSizeHint().height());
    EXPECT_TRUE(group.contentsRect().contains(table.geometry()));
    const int last = InverterSlots::kMaxCount - 1;
    EXPECT_LE(table.rowViewportPosition(last) + table.rowHeight(last), table.viewport()->height());
    const QWidget* lastButton = clearButton(dialog, InverterSlots::kMaxCount);
    EXPECT_GE(lastButton->height(), lastButton->sizeHint().height());
    EXPECT_TRUE(test::SavePicture(dialog, QStringLiteral("comm-settings-slots")));

    group.countBox()->setValue(1);
    EXPECT_FALSE(clearButton(dialog, 3)->isEnabled());
    EXPECT_FALSE(table.item(1, 1)->flags().testFlag(Qt::ItemIsEnabled));
}

TEST_F(SlotsTableTest, OkWritesTheClearedSlotAndTheCountThenTellsTheEngine)
{
    CComCfgDlg dialog(channel, prompt, nullptr, hooks());
    QTest::mouseClick(clearButton(dialog, 3), Qt::LeftButton);
    EXPECT_EQ(cell(dialog, 3, 1), QStringLiteral("free"));
    EXPECT_FALSE(clearButton(dialog, 3)->isEnabled());
    dialog.SlotsGroup()->countBox()->setValue(4);
    EXPECT_TRUE(cleared.empty()) << "nothing is told before OK";

    dialog.accept();
    EXPECT_EQ(cleared, std::vector<int>{3});
    const InverterSlots after = loadInverterSlots(ProfileFile(g_szSettingPath()));
    EXPECT_EQ(after.count, 4);
    EXPECT_EQ(after.serials[1], QStringLiteral("VT24000001"));
    EXPECT_TRUE(after.serials[3].isEmpty());
    EXPECT_EQ(home.setting("CommNum"), home.port().description());
}

TEST_F(SlotsTableTest, CancelForgetsTheClearing)
{
    const QByteArray before = home.settingBytes();
    CComCfgDlg dialog(channel, prompt, nullptr, hooks());
    QTest::mouseClick(clearButton(dialog, 1), Qt::LeftButton);
    dialog.SlotsGroup()->countBox()->setValue(2);
    dialog.reject();
    EXPECT_TRUE(cleared.empty());
    EXPECT_EQ(home.settingBytes(), before);
}

} // namespace
} // namespace veltroma
