#pragma once
// Where readings are published and how: the broker's address, the login, the topics. The same
// settings come from meter-read's command line and from the window's dialog; both are checked
// here before anything connects.
#include <QString>

struct BrokerAddress {
    QString host;
    int port = 1883;
    bool tls = false;   // mqtts://
};

struct BrokerSettings {
    QString url;               // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    QString caFile;            // mqtts: the certificate authority; empty: the system's certificates
    QString user;              // empty: no login
    QString password;
    QString meterName;         // the device's name; empty: the model this build serves
    QString topicPrefix;       // empty: meter-logger/<meter name as a topic level>
    QString discoveryPrefix;   // empty: no discovery configurations
};

// "mqtt://host:1883" into its parts; empty when it is one, else why not.
QString parseBrokerUrl(const QString& url, BrokerAddress* address);

// Why `topic` cannot be a topic prefix (wildcards, empty levels, "$"), empty when it can.
QString topicPrefixProblem(const QString& topic);

// The name of the meter this build serves ("VK31C").
QString defaultMeterName();
// `name` as one topic level and identifier: letters, digits, "-" and "_" kept, others "_".
QString topicLevelOf(const QString& name);

// The settings with their defaults filled in: the meter's name, the topic prefix.
BrokerSettings withDefaults(BrokerSettings settings);

// The first reason the settings cannot be used (address, CA file, topics), empty when none.
QString brokerSettingsProblem(const BrokerSettings& settings);

// The first line of a password file; empty when read, else why not.
QString readPasswordFile(const QString& path, QString* password);

// The window's choice: whether to publish, what, and where.
struct PublishChoice {
    bool on = false;
    bool rowsOnly = false;   // logged rows (at the sampling interval) instead of every reading
    BrokerSettings broker;
};
