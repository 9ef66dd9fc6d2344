#include "publish/broker_settings.h"

#include "decode/model_variants.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

QString parseBrokerUrl(const QString& url, BrokerAddress* address)
{
    const QUrl u(url, QUrl::StrictMode);
    const QString scheme = u.scheme();
    if (!u.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return QStringLiteral("the broker is mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"").arg(url);
    if (u.host().isEmpty())
        return QStringLiteral("the broker address \"%1\" names no host").arg(url);
    if (!u.userInfo().isEmpty() || !u.query().isEmpty() || !u.fragment().isEmpty()
        || (!u.path().isEmpty() && u.path() != QLatin1String("/")))
        return QStringLiteral("the broker address \"%1\" has more than a host and a port (the login is "
                              "given apart, the topic too)")
            .arg(url);
    address->tls = scheme == QLatin1String("mqtts");
    address->host = u.host();
    address->port = u.port(address->tls ? 8883 : 1883);
    if (address->port < 1)
        return QStringLiteral("the broker's port in \"%1\" is 1 to 65535").arg(url);
    return QString();
}

QString topicPrefixProblem(const QString& topic)
{
    if (topic.isEmpty())
        return QStringLiteral("the topic prefix is empty");
    if (topic.contains(QLatin1Char('+')) || topic.contains(QLatin1Char('#')))
        return QStringLiteral("the topic \"%1\" holds a wildcard (+ or #)").arg(topic);
    if (topic.startsWith(QLatin1Char('$')))
        return QStringLiteral("the topic \"%1\" begins with $, which brokers keep for themselves").arg(topic);
    if (topic.split(QLatin1Char('/')).contains(QString()))
        return QStringLiteral("the topic \"%1\" has an empty level (a / at an end or two together)").arg(topic);
    for (QChar c : topic)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("the topic \"%1\" holds a control character").arg(topic);
    if (topic.toUtf8().size() > 60000)
        return QStringLiteral("the topic prefix is too long");
    return QString();
}

QString defaultMeterName()
{
    return modelName(ModelFlags::layout());
}

QString topicLevelOf(const QString& name)
{
    QString level;
    for (QChar c : name.trimmed()) {
        const bool kept = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                          || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_');
        level += kept ? c : QLatin1Char('_');
    }
    return level.isEmpty() ? QStringLiteral("meter") : level;
}

BrokerSettings withDefaults(BrokerSettings s)
{
    if (s.meterName.trimmed().isEmpty())
        s.meterName = defaultMeterName();
    if (s.topicPrefix.isEmpty())
        s.topicPrefix = QStringLiteral("meter-logger/") + topicLevelOf(s.meterName);
    return s;
}

QString brokerSettingsProblem(const BrokerSettings& s)
{
    BrokerAddress address;
    if (QString why = parseBrokerUrl(s.url, &address); !why.isEmpty())
        return why;
    if (!s.caFile.isEmpty()) {
        if (!address.tls)
            return QStringLiteral("a CA file goes with mqtts://, not with %1").arg(s.url);
        QFile ca(s.caFile);
        if (!ca.open(QIODevice::ReadOnly))
            return QStringLiteral("the CA file %1 cannot be read: %2").arg(s.caFile, ca.errorString());
    }
    if (!s.password.isEmpty() && s.user.isEmpty())
        return QStringLiteral("a password needs a user name");
    if (QString why = topicPrefixProblem(withDefaults(s).topicPrefix); !why.isEmpty())
        return why;
    if (!s.discoveryPrefix.isEmpty())
        if (QString why = topicPrefixProblem(s.discoveryPrefix); !why.isEmpty())
            return QStringLiteral("discovery prefix: ") + why;
    return QString();
}

QString readPasswordFile(const QString& path, QString* password)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        return QStringLiteral("the password file %1 is a folder").arg(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the password file %1 cannot be read: %2").arg(path, file.errorString());
    const QByteArray firstLine = file.read(64 * 1024).split('\n').value(0);
    *password = QString::fromUtf8(firstLine.endsWith('\r') ? firstLine.chopped(1) : firstLine);
    return QString();
}
