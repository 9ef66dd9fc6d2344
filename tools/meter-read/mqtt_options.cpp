#include "tools/meter-read/mqtt_options.h"

#include "tools/command_line.h"

#include <QFileInfo>
#include <QProcessEnvironment>

bool takeMqttOption(const QStringList& args, int& i, MqttCommandLine& m)
{
    const QString& a = args.at(i);
    BrokerSettings& s = m.settings;
    if (a == QLatin1String("--mqtt")) {
        m.on = true;
        s.url = valueOf(args, i);
    } else if (a == QLatin1String("--mqtt-ca")) {
        s.caFile = valueOf(args, i);
    } else if (a == QLatin1String("--mqtt-user")) {
        s.user = valueOf(args, i);
    } else if (a == QLatin1String("--mqtt-password-file")) {
        m.passwordFile = valueOf(args, i);
    } else if (a == QLatin1String("--mqtt-topic")) {
        s.topicPrefix = valueOf(args, i);
        if (const QString why = topicPrefixProblem(s.topicPrefix); !why.isEmpty())
            usageError(why);
    } else if (a == QLatin1String("--mqtt-name")) {
        s.meterName = valueOf(args, i).trimmed();
    } else if (a == QLatin1String("--mqtt-discovery")) {
        // The prefix is optional: a word after it that is no option and no file is the prefix.
        s.discoveryPrefix = QStringLiteral("homeassistant");
        const QString next = args.value(i + 1);
        if (!next.isEmpty() && !next.startsWith(QLatin1Char('-')) && !QFileInfo::exists(next))
            s.discoveryPrefix = args.at(++i);
    } else if (a.startsWith(QLatin1String("--mqtt-discovery="))) {
        s.discoveryPrefix = a.mid(int(qstrlen("--mqtt-discovery=")));
        if (s.discoveryPrefix.isEmpty())
            usageError(QStringLiteral("--mqtt-discovery= needs a prefix"));
    } else {
        return false;
    }
    return true;
}

void completeMqttOptions(MqttCommandLine& m)
{
    BrokerSettings& s = m.settings;
    if (!m.on) {
        if (!s.caFile.isEmpty() || !s.user.isEmpty() || !m.passwordFile.isEmpty() || !s.topicPrefix.isEmpty()
            || !s.discoveryPrefix.isEmpty() || !s.meterName.isEmpty())
            usageError(QStringLiteral("the MQTT options go with --mqtt mqtt://HOST[:PORT]"));
        return;
    }
    if (!m.passwordFile.isEmpty()) {
        if (const QString why = readPasswordFile(m.passwordFile, &s.password); !why.isEmpty())
            usageError(why);
    } else {
        s.password = QProcessEnvironment::systemEnvironment().value(QStringLiteral("METER_MQTT_PASSWORD"));
    }
    if (s.user.isEmpty() && !m.passwordFile.isEmpty())
        usageError(QStringLiteral("--mqtt-password-file goes with --mqtt-user"));
    if (s.user.isEmpty())
        s.password.clear();   // METER_MQTT_PASSWORD alone logs in as nobody
    if (const QString why = brokerSettingsProblem(s); !why.isEmpty())
        usageError(why);
}

QString mqttUsage()
{
    return QStringLiteral(
        "Publishing (MQTT; a broker that is down or refuses never holds up reading and logging):\n"
        "  --mqtt mqtt://HOST[:PORT]   publish every reading (with --log: every logged row) as JSON\n"
        "                           on PREFIX/reading, the latest retained on PREFIX/state, and\n"
        "                           online/offline on PREFIX/availability; mqtts:// for TLS;\n"
        "                           with --input each channel on PREFIX/CHANNEL/reading and\n"
        "                           PREFIX/CHANNEL/state, a computed value without a number\n"
        "                           with null and its state\n"
        "  --mqtt-ca FILE           with mqtts://: the certificate authority (default: the system's)\n"
        "  --mqtt-user USER         log in as USER; the password comes from METER_MQTT_PASSWORD\n"
        "  --mqtt-password-file FILE   or from the first line of FILE\n"
        "  --mqtt-topic PREFIX      topic prefix (default meter-logger/<meter name>)\n"
        "  --mqtt-name NAME         the meter's name in topics and discovery (default %1)\n"
        "  --mqtt-discovery [PREFIX]   retained sensor configurations for home automation under\n"
        "                           PREFIX (default homeassistant; --mqtt-discovery=PREFIX too)\n")
        .arg(defaultMeterName());
}
