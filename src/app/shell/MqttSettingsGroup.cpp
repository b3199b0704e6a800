#include "app/shell/MqttSettingsGroup.h"

#include "config/Strings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace veltroma {

namespace {

QString text(const char* key)
{
    return g_LoadString(QLatin1String(key));
}

} // namespace

MqttSettingsGroup::MqttSettingsGroup(QWidget* parent)
    : QGroupBox(text("IDC_MQTT_GROUP"), parent)
    , host_(new QLineEdit(this))
    , port_(new QSpinBox(this))
    , user_(new QLineEdit(this))
    , password_(new QLineEdit(this))
    , prefix_(new QLineEdit(this))
    , discovery_(new QCheckBox(text("IDC_MQTT_DISCOVERY"), this))
    , discoveryPrefix_(new QLineEdit(this))
    , perValueTopics_(new QCheckBox(text("IDC_MQTT_PERVALUE"), this))
    , tls_(new QCheckBox(text("IDC_MQTT_TLS"), this))
    , caFile_(new QLineEdit(this))
    , note_(new QLabel(text("IDC_MQTT_NEXTSTART"), this))
{
    setObjectName(QStringLiteral("mqttGroup"));
    host_->setObjectName(QStringLiteral("mqttHost"));
    port_->setObjectName(QStringLiteral("mqttPort"));
    password_->setObjectName(QStringLiteral("mqttPassword"));
    prefix_->setObjectName(QStringLiteral("mqttPrefix"));
    discoveryPrefix_->setObjectName(QStringLiteral("mqttDiscoveryPrefix"));
    perValueTopics_->setObjectName(QStringLiteral("mqttPerValueTopics"));
    port_->setRange(1, 65535);
    password_->setEchoMode(QLineEdit::Password);
    prefix_->setPlaceholderText(MqttSettings{}.prefix);
    discoveryPrefix_->setPlaceholderText(MqttSettings{}.discoveryPrefix);
    host_->setPlaceholderText(QStringLiteral("192.168.1.10"));
    note_->setWordWrap(true);
    // The CA file only matters with TLS.
    connect(tls_, &QCheckBox::toggled, caFile_, &QWidget::setEnabled);
    // Likewise the discovery prefix only with discovery.
    connect(discovery_, &QCheckBox::toggled, discoveryPrefix_, &QWidget::setEnabled);

    auto* hostRow = new QHBoxLayout;
    hostRow->addWidget(host_, 1);
    auto* portLabel = new QLabel(text("IDC_MQTT_PORT"), this);
    portLabel->setBuddy(port_);
    hostRow->addWidget(portLabel);
    hostRow->addWidget(port_);
    auto* checks = new QHBoxLayout;
    checks->addWidget(discovery_);
    checks->addWidget(perValueTopics_);
    checks->addWidget(tls_);
    checks->addStretch(1);

    auto* form = new QFormLayout(this);
    form->addRow(text("IDC_MQTT_HOST"), hostRow);
    form->addRow(text("IDC_MQTT_USER"), user_);
    form->addRow(text("IDC_MQTT_PASSWORD"), password_);
    form->addRow(text("IDC_MQTT_PREFIX"), prefix_);
    form->addRow(checks);
    form->addRow(text("IDC_MQTT_DISCOVERYPREFIX"), discoveryPrefix_);
    form->addRow(text("IDC_MQTT_CAFILE"), caFile_);
    form->addRow(note_);
    setSettings(MqttSettings{});
}

void MqttSettingsGroup::setSettings(const MqttSettings& settings)
{
    shown_ = settings;
    host_->setText(settings.host);
    port_->setValue(settings.port);
    user_->setText(settings.user);
    password_->setText(settings.password);
    prefix_->setText(settings.prefix);
    discovery_->setChecked(settings.discovery);
    discoveryPrefix_->setText(settings.discoveryPrefix);
    discoveryPrefix_->setEnabled(settings.discovery);
    perValueTopics_->setChecked(settings.perValueTopics);
    tls_->setChecked(settings.tls);
    caFile_->setText(settings.caFile);
    caFile_->setEnabled(settings.tls);
}

MqttSettings MqttSettingsGroup::settings() const
{
    MqttSettings settings = shown_;
    settings.host = host_->text().trimmed();
    settings.port = port_->value();
    settings.user = user_->text();
    settings.password = password_->text();
    const QString prefix = prefix_->text().trimmed();
    if (!prefix.isEmpty())
        settings.prefix = prefix;
    settings.discovery = discovery_->isChecked();
    const QString discoveryPrefix = discoveryPrefix_->text().trimmed();
    if (!discoveryPrefix.isEmpty())
        settings.discoveryPrefix = discoveryPrefix;
    settings.perValueTopics = perValueTopics_->isChecked();
    settings.tls = tls_->isChecked();
    settings.caFile = caFile_->text().trimmed();
    return settings;
}

} // namespace veltroma
