#pragma once

#include "app/shell/InverterSlotsGroup.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

namespace veltroma {

class Channel;
class MqttSettingsGroup;
class Prompt;

// The communication settings: the PC's serial port for the link, the inverters on the bus
// and the MQTT broker. OK reopens the channel on the chosen port and stores it as CommNum,
// stores the count and the cleared slots in [Inverters] (then tells `slotHooks.slotCleared` of
// each cleared slot) and the broker fields in [Mqtt]; Cancel changes nothing. A prefix that
// cannot lead a topic is refused through `prompt`, and the dialog stays open.
class CComCfgDlg final : public QDialog {
    Q_OBJECT

public:
    CComCfgDlg(Channel& channel, Prompt& prompt, QWidget* parent = nullptr,
               InverterSlotHooks slotHooks = {});

    // The port description OK stored; empty before OK.
    [[nodiscard]] const QString& ComCfgStr() const { return m_ComCfgStr; }
    [[nodiscard]] QComboBox* PortList() const { return m_cmbPort; }
    [[nodiscard]] InverterSlotsGroup* SlotsGroup() const { return m_slots; }

    void accept() override;

private:
    void OnInitDialog();
    void OnSelChange();

    Channel& m_channel;
    Prompt& m_prompt;
    QLabel* m_label = nullptr;
    QComboBox* m_cmbPort = nullptr;
    QLabel* m_portInfo = nullptr;  // what device the chosen port is
    InverterSlotHooks m_slotHooks;
    InverterSlotsGroup* m_slots = nullptr;
    MqttSettingsGroup* m_mqtt = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QString m_ComCfgStr;
};

} // namespace veltroma
