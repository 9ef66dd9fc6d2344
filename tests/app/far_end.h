#pragma once
// The far end of a pseudo-terminal, its other end published as <runtime>/meter-logger/COM1
// as the port-name resolver expects. A test holds it to play the meter on a serial port.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

class FarEnd {
public:
    explicit FarEnd(const QString& runtimeDir)
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return;
        const char* name = ::ptsname(master_);
        if (!name)
            return;
        slavePath_ = QString::fromLocal8Bit(name);
        QDir().mkpath(runtimeDir + QStringLiteral("/meter-logger"));
        linkPath_ = runtimeDir + QStringLiteral("/meter-logger/COM1");
        QFile::remove(linkPath_);
        if (!QFile::link(slavePath_, linkPath_))
            linkPath_.clear();
    }
    ~FarEnd()
    {
        unpublish();
        close();
    }
    bool ready() const { return master_ >= 0 && !linkPath_.isEmpty(); }
    bool send(const QByteArray& bytes) { return ::write(master_, bytes.constData(), size_t(bytes.size())) == bytes.size(); }
    void close()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }
    void unpublish()
    {
        // Only our own link: a newer far end may have published the name since.
        if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == slavePath_)
            QFile::remove(linkPath_);
        linkPath_.clear();
    }
    const QString& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    QString slavePath_;
    QString linkPath_;
};
