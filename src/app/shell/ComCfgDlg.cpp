#include "app/shell/ComCfgDlg.h"

#include "channel/Channel.h"
#include "channel/PortList.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "app/shell/CommSettings.h"
#include "app/shell/MqttSettingsGroup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltroma {

CComCfgDlg::CComCfgDlg(Channel& channel, Prompt& prompt, QWidget* parent,
                       InverterSlotHooks slotHooks)
    : QDialog(parent)
    , m_channel(channel)
    , m_prompt(prompt)
    , m_label(new QLabel(this))
    , m_cmbPort(new QComboBox(this))
    , m_portInfo(new QLabel(this))
    , m_slotHooks(std::move(slotHooks))
    , m_slots(new InverterSlotsGroup(loadInverterSlots(ProfileFile(g_szSettingPath())),
                                     m_slotHooks.lastSeen, this))
    , m_mqtt(new MqttSettingsGroup(this))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_label->setBuddy(m_cmbPort);
    m_cmbPort->setMinimumWidth(160);
    m_cmbPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_btnOk = buttons->button(QDialogButtonBox::Ok);
    m_btnCancel = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CComCfgDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CComCfgDlg::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(m_label);
    row->addWidget(m_cmbPort, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 12);
    layout->setSpacing(18);
    layout->addLayout(row);
    m_portInfo->setWordWrap(true);
    m_portInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_portInfo);
    layout->addWidget(m_slots);
    layout->addWidget(m_mqtt);
    layout->addStretch(1);
    layout->addWidget(buttons);

    OnInitDialog();
    connect(m_cmbPort, &QComboBox::currentIndexChanged, this, &CComCfgDlg::OnSelChange);
}

void CComCfgDlg::OnInitDialog()
{
    // Without a stored port, the port in use is the one to show: a choice the dialog
    // offered of its own would move the link on a plain OK.
    const QString stored = ProfileFile(g_szSettingPath())
                               .read(QStringLiteral("Setting"), QStringLiteral("CommNum"));
    const QString current = stored.isEmpty() ? m_channel.COMM_CFG : stored;

    const std::vector<PortEntry> entries = availablePorts();
    QStringList available;
    for (const PortEntry& entry : entries)
        available << entry.path;
    const QStringList ports = ComPortChoices(available, current);
    m_cmbPort->addItems(ports);
    // The item text stays the path that is stored; the device behind it is its tip and is
    // shown under the list for the chosen one.
    for (const PortEntry& entry : entries) {
        if (const int at = m_cmbPort->findText(entry.path); at >= 0)
            m_cmbPort->setItemData(at, entry.description, Qt::ToolTipRole);
    }
    m_cmbPort->setCurrentIndex(PreselectedPort(ports, current).value_or(-1));

    setWindowTitle(g_LoadString(QStringLiteral("IDD_COMMCONFIG_DIALOG")));
    m_label->setText(g_LoadString(QStringLiteral("IDC_RS232NO")));
    m_btnOk->setText(g_LoadString(QStringLiteral("IDOK")));
    m_btnCancel->setText(g_LoadString(QStringLiteral("IDCANCEL")));
    m_mqtt->setSettings(loadMqttSettings(ProfileFile(g_szSettingPath())));
    OnSelChange();
}

void CComCfgDlg::OnSelChange()
{
    // No port chosen, nothing to store: OK waits for a choice.
    m_btnOk->setEnabled(m_cmbPort->currentIndex() >= 0);
    const QString device = m_cmbPort->currentData(Qt::ToolTipRole).toString();
    m_portInfo->setText(device);
    m_portInfo->setVisible(!device.isEmpty());
}

void CComCfgDlg::accept()
{
    if (m_cmbPort->currentIndex() < 0)
        return;
    // Refused before anything is stored: the dialog stays open to mend it.
    const MqttSettings mqtt = m_mqtt->settings();
    if (const auto refused = refusedMqttPrefix(mqtt)) {
        m_prompt.message(g_LoadString(QStringLiteral("IDC_MQTT_PREFIXREFUSED")).arg(*refused),
                         windowTitle(), PromptButtons::Ok, PromptIcon::Warning);
        return;
    }
    m_ComCfgStr = ComCfgString(m_cmbPort->currentText());
    ApplyPortDescription(m_channel, m_ComCfgStr);
    // Only a change is written: a plain OK adds no section to the settings file.
    const ProfileFile settings(g_szSettingPath());
    // The engine forgets only a slot that is free in the file too: otherwise the next start
    // would bring the serial back.
    for (const int slot : m_slots->editor().save(settings).clearedSlots) {
        if (m_slotHooks.slotCleared)
            m_slotHooks.slotCleared(slot);
    }
    if (mqtt != loadMqttSettings(settings))
        saveMqttSettings(settings, mqtt);
    QDialog::accept();
}

} // namespace veltroma
