#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

namespace veltroma {

class Channel;
class MqttSettingsGroup;

// The communication settings: the PC's serial port for the link, and the MQTT broker. OK
// reopens the channel on the chosen port and stores it as CommNum, and stores the broker
// fields in [Mqtt]; Cancel changes nothing.
class CComCfgDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CComCfgDlg(Channel& channel, QWidget* parent = nullptr);

    // The port description OK stored; empty before OK.
    [[nodiscard]] const QString& ComCfgStr() const { return m_ComCfgStr; }
    [[nodiscard]] QComboBox* PortList() const { return m_cmbPort; }

    void accept() override;

private:
    void OnInitDialog();
    void OnSelChange();

    Channel& m_channel;
    QLabel* m_label = nullptr;
    QComboBox* m_cmbPort = nullptr;
    QLabel* m_portInfo = nullptr;  // what device the chosen port is
    MqttSettingsGroup* m_mqtt = nullptr;
    QPushButton* m_btnOk = nullptr;
    QPushButton* m_btnCancel = nullptr;
    QString m_ComCfgStr;
};

} // namespace veltroma
