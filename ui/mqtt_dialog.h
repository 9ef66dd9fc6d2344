#pragma once
// "MQTT...": where the window publishes its readings, and whether it does. The settings are
// checked when OK is pressed; a problem is shown in the dialog, which stays open.
#include "publish/broker_settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class MqttDialog : public QDialog {
    Q_OBJECT
public:
    MqttDialog(const PublishChoice& choice, QWidget* parent = nullptr);
    PublishChoice choice() const;

    QCheckBox* PublishOn = nullptr;
    QComboBox* PublishWhat = nullptr;
    QLineEdit* BrokerUrl = nullptr;
    QLineEdit* CaFile = nullptr;
    QLineEdit* User = nullptr;
    QLineEdit* Password = nullptr;
    QLineEdit* MeterName = nullptr;
    QLineEdit* TopicPrefix = nullptr;
    QLineEdit* DiscoveryPrefix = nullptr;
    QLabel* Problem = nullptr;

public slots:
    void accept() override;
};
