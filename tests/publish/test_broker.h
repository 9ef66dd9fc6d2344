#pragma once
// Debian's mosquitto broker on a free loopback port, with its own configuration in a temporary
// folder, and a subscriber that collects every message it gets. Tests skip, saying why, where
// the broker is not installed.
#include "support/wait_for.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <mosquitto.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <vector>

struct ReceivedMessage {
    QString topic;
    QByteArray payload;
    bool retained = false;
};

// A loopback port that was free a moment ago (0: none); with `probe`, whether something listens on it.
inline quint16 loopbackPort(quint16 probe = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(probe);
    socklen_t size = sizeof a;
    quint16 port = 0;
    if (probe ? ::connect(fd, reinterpret_cast<sockaddr*>(&a), size) == 0
              : ::bind(fd, reinterpret_cast<sockaddr*>(&a), size) == 0
                    && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

class TestBroker {
public:
    static QString program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    }
    // `users` "name:password" lines make a password file and forbid anonymous clients.
    bool start(const QStringList& users = {})
    {
        if (!port_)
            port_ = loopbackPort();
        QString conf = QStringLiteral("listener %1 127.0.0.1\npersistence false\n").arg(port_);
        // Started as root, the broker would turn into the user "mosquitto", who may not read this folder.
        if (::getuid() == 0)
            conf += QStringLiteral("user root\n");
        if (users.isEmpty()) {
            conf += QStringLiteral("allow_anonymous true\n");
        } else {
            const QString passwords = dir_.filePath(QStringLiteral("passwords"));
            QFile(passwords).open(QIODevice::WriteOnly);
            for (const QString& u : users)
                QProcess::execute(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-b"), passwords, u.section(':', 0, 0), u.section(':', 1)});
            conf += QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(passwords);
        }
        QFile file(dir_.filePath(QStringLiteral("broker.conf")));
        file.open(QIODevice::WriteOnly);
        file.write(conf.toUtf8());
        file.close();
        process_.start(program(), {QStringLiteral("-c"), file.fileName()});
        return process_.waitForStarted(5000) && waitFor([this] { return loopbackPort(port_) != 0; });
    }
    void stop()
    {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    ~TestBroker() { stop(); }
    quint16 port() const { return port_; }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port_); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

// Subscribes to everything ("#") on its own libmosquitto thread.
class TestSubscriber {
public:
    explicit TestSubscriber(quint16 port)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<TestSubscriber*>(self);
            const std::lock_guard<std::mutex> lock(s->mutex_);
            s->messages_.push_back({QString::fromUtf8(m->topic), QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_connect_callback_set(mosq_, [](mosquitto* mosq, void*, int rc) {
            if (rc == 0)
                mosquitto_subscribe(mosq, nullptr, "#", 0);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<TestSubscriber*>(self)->subscribed_ = true;
        });
        mosquitto_connect(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
    }
    ~TestSubscriber()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    // Subscribed: from now on it hears everything published.
    bool waitReady() const { return ::waitFor([this] { return subscribed_.load(); }); }
    int count(const QString& suffix) const
    {
        int n = 0;
        for (const ReceivedMessage& m : messages())
            n += m.topic.endsWith(suffix);
        return n;
    }
    std::vector<ReceivedMessage> messages() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    // The last message on a topic ending in `suffix` whose payload holds `part`.
    bool has(const QString& suffix, const QByteArray& part = {}, bool* retained = nullptr) const
    {
        for (const ReceivedMessage& m : messages()) {
            if (m.topic.endsWith(suffix) && m.payload.contains(part)) {
                if (retained)
                    *retained = m.retained;
                return true;
            }
        }
        return false;
    }
    bool waitFor(const QString& suffix, const QByteArray& part = {}, int ms = 10000) const
    {
        return ::waitFor([&] { return has(suffix, part); }, ms);
    }

private:
    mutable std::mutex mutex_;
    std::vector<ReceivedMessage> messages_;
    mosquitto* mosq_ = nullptr;
    std::atomic<bool> subscribed_{false};
};

#define SKIP_WITHOUT_BROKER()                                                                                         \
    if (TestBroker::program().isEmpty())                                                                              \
    GTEST_SKIP() << "Debian's mosquitto broker is not installed (scripts/deps.sh installs it); MQTT tests skipped"
