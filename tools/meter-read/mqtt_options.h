#pragma once
// meter-read's MQTT options: the broker, the login (the password from METER_MQTT_PASSWORD or a
// file, never from the command line, where other users would see it), the topics and discovery.
#include "publish/broker_settings.h"

#include <QString>
#include <QStringList>

struct MqttCommandLine {
    bool on = false;             // --mqtt given
    BrokerSettings settings;
    QString passwordFile;
};

// Takes the MQTT option at `i` (and its value); false when it is not one.
bool takeMqttOption(const QStringList& args, int& i, MqttCommandLine& mqtt);
// Reads the password and checks the settings; throws UsageError with the reason.
void completeMqttOptions(MqttCommandLine& mqtt);

QString mqttUsage();
