#pragma once
// The virtual meter on a pseudo-terminal, published as COM<n> in a private runtime folder for
// as long as this object lives: stopped, and the folder forgotten, when it goes.
#include "support/wait_for.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

class VirtualMeter {
public:
    // False when the meter did not start or its port did not appear in time.
    bool start(const QString& port, int framesPerSecond)
    {
        if (!runtime_.isValid())
            return false;
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        sim_.setProcessEnvironment(env);
        sim_.start(QStringLiteral(METER_BIN_DIR "/meter-sim"), {"--port", port, "--rate", QString::number(framesPerSecond)});
        const QString link = runtime_.path() + "/meter-logger/" + port;
        return sim_.waitForStarted(5000) && waitFor([&] { return QFile::exists(link); });
    }
    ~VirtualMeter()
    {
        sim_.terminate();
        sim_.waitForFinished(3000);
        qunsetenv("XDG_RUNTIME_DIR");
    }

private:
    QTemporaryDir runtime_;
    QProcess sim_;
};
