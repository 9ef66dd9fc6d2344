#include "ui/mqtt_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* edit(QWidget* parent, const char* name, const QString& text, const QString& placeholder = QString())
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    e->setMinimumWidth(280);
    return e;
}

} // namespace

MqttDialog::MqttDialog(const PublishChoice& c, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MqttDialog"));
    setWindowTitle(QStringLiteral("MQTT"));
    PublishOn = new QCheckBox(QStringLiteral("&Publish to an MQTT broker"), this);
    PublishOn->setObjectName(QStringLiteral("PublishOn"));
    PublishOn->setChecked(c.on);
    PublishWhat = new QComboBox(this);
    PublishWhat->setObjectName(QStringLiteral("PublishWhat"));
    PublishWhat->addItems({QStringLiteral("Every reading"), QStringLiteral("Logged rows (the sampling interval sets the rate)")});
    PublishWhat->setCurrentIndex(c.rowsOnly ? 1 : 0);
    const BrokerSettings& b = c.broker;
    BrokerUrl = edit(this, "BrokerUrl", b.url, QStringLiteral("mqtt://HOST:1883 or mqtts://HOST:8883"));
    CaFile = edit(this, "CaFile", b.caFile, QStringLiteral("mqtts: the system's certificates"));
    User = edit(this, "User", b.user, QStringLiteral("no login"));
    Password = edit(this, "Password", b.password);
    Password->setEchoMode(QLineEdit::Password);
    MeterName = edit(this, "MeterName", b.meterName, defaultMeterName());
    TopicPrefix = edit(this, "TopicPrefix", b.topicPrefix, QStringLiteral("meter-logger/<meter name>"));
    DiscoveryPrefix = edit(this, "DiscoveryPrefix", b.discoveryPrefix, QStringLiteral("none; homeassistant for Home Assistant"));
    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("Problem"));
    Problem->setWordWrap(true);
    Problem->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    Problem->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Publish:"), PublishWhat);
    form->addRow(QStringLiteral("&Broker:"), BrokerUrl);
    form->addRow(QStringLiteral("&CA file:"), CaFile);
    form->addRow(QStringLiteral("&User:"), User);
    form->addRow(QStringLiteral("Pass&word:"), Password);
    form->addRow(QStringLiteral("&Meter name:"), MeterName);
    form->addRow(QStringLiteral("&Topic prefix:"), TopicPrefix);
    form->addRow(QStringLiteral("&Discovery prefix:"), DiscoveryPrefix);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MqttDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MqttDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PublishOn);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("The password is kept in the settings file, which only you can read."), this));
    layout->addWidget(Problem);
    layout->addWidget(buttons);
}

PublishChoice MqttDialog::choice() const
{
    PublishChoice c;
    c.on = PublishOn->isChecked();
    c.rowsOnly = PublishWhat->currentIndex() == 1;
    c.broker.url = BrokerUrl->text().trimmed();
    c.broker.caFile = CaFile->text().trimmed();
    c.broker.user = User->text().trimmed();
    c.broker.password = Password->text();
    c.broker.meterName = MeterName->text().trimmed();
    c.broker.topicPrefix = TopicPrefix->text().trimmed();
    c.broker.discoveryPrefix = DiscoveryPrefix->text().trimmed();
    return c;
}

void MqttDialog::accept()
{
    const PublishChoice c = choice();
    const QString problem = c.on ? brokerSettingsProblem(c.broker) : QString();
    Problem->setText(problem);
    Problem->setVisible(!problem.isEmpty());
    if (problem.isEmpty())
        QDialog::accept();
}
