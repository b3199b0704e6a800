#pragma once

#include "publish/MqttSettings.h"

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace veltroma {

// The broker fields of the communication settings: host, port, user, password, topic
// prefix, discovery and its prefix, per-value topics, TLS and CA file, with localized labels. Holds no logic beyond moving
// the settings in and out.
class MqttSettingsGroup final : public QGroupBox {
    Q_OBJECT
public:
    explicit MqttSettingsGroup(QWidget* parent = nullptr);

    void setSettings(const MqttSettings& settings);
    [[nodiscard]] MqttSettings settings() const;

private:
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QLineEdit* prefix_;
    QCheckBox* discovery_;
    QLineEdit* discoveryPrefix_;
    QCheckBox* perValueTopics_;
    QCheckBox* tls_;
    QLineEdit* caFile_;
    QLabel* note_;
    // The settings last shown: the keys without a field here go back as they came.
    MqttSettings shown_;
};

} // namespace veltroma
