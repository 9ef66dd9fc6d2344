#include "link/hid/hidraw_platform.h"

#include "link/hid/report_descriptor.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRescanMs = 2000;

quint32 fold(const QString& text)
{
    const size_t h = qHash(text);
    return static_cast<quint32>(h ^ (quint64(h) >> 32));
}

QByteArray readSysFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString sysText(const QString& path)
{
    return QString::fromUtf8(readSysFile(path)).trimmed();
}

// What sysfs tells about one hidraw node, none of it needing access to the node.
struct SysInfo {
    bool found = false;
    HidAttributes attributes;
    QString product;
    QString serial;
    bool usb = false;
    QByteArray descriptor;
};

SysInfo sysInfo(const QString& devPath)
{
    SysInfo info;
    const QString name = QFileInfo(devPath).fileName();
    const QString hidDir = QFileInfo(QStringLiteral("/sys/class/hidraw/%1/device").arg(name)).canonicalFilePath();
    if (hidDir.isEmpty())
        return info;
    info.found = true;
    info.descriptor = readSysFile(hidDir + QStringLiteral("/report_descriptor"));
    // HID_ID=0003:00001234:00005678, HID_NAME=..., HID_UNIQ=...
    const QList<QByteArray> lines = readSysFile(hidDir + QStringLiteral("/uevent")).split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("HID_ID=")) {
            const QList<QByteArray> parts = line.mid(7).split(':');
            if (parts.size() == 3) {
                info.attributes.vendorId = static_cast<quint16>(parts[1].toUInt(nullptr, 16));
                info.attributes.productId = static_cast<quint16>(parts[2].toUInt(nullptr, 16));
            }
        } else if (line.startsWith("HID_NAME=")) {
            info.product = QString::fromUtf8(line.mid(9));
        } else if (line.startsWith("HID_UNIQ=")) {
            info.serial = QString::fromUtf8(line.mid(9));
        }
    }
    // A USB device above the HID device has the device's own strings.
    QDir dir(hidDir);
    while (dir.cdUp() && dir.absolutePath() != QLatin1String("/sys")) {
        if (!QFileInfo::exists(dir.filePath(QStringLiteral("idVendor"))))
            continue;
        info.usb = true;
        info.product = sysText(dir.filePath(QStringLiteral("product")));
        info.serial = sysText(dir.filePath(QStringLiteral("serial")));
        info.attributes.versionNumber =
            static_cast<quint16>(sysText(dir.filePath(QStringLiteral("bcdDevice"))).toUInt(nullptr, 16));
        break;
    }
    return info;
}

class HidrawConnection : public HidConnection {
public:
    HidrawConnection(QString path, int fd) : path_(std::move(path)), fd_(fd), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        info_ = sysInfo(path_);
        if (info_.descriptor.isEmpty() && fd_ >= 0)
            info_.descriptor = descriptorFromNode();
        descriptor_ = parseReportDescriptor(reinterpret_cast<const quint8*>(info_.descriptor.constData()),
                                            info_.descriptor.size());
    }
    ~HidrawConnection() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (wake_ >= 0)
            ::close(wake_);
    }

    bool attributes(HidAttributes& out) override
    {
        if (!info_.found)
            return false;
        out = info_.attributes;
        return true;
    }
    bool productString(QString& out) override { return text(info_.product, out); }
    bool serialString(QString& out) override { return text(info_.serial, out); }
    bool indexedString(int index, QString& out) override
    {
        // sysfs gives the strings already decoded, not string 0; nearly every USB device
        // lists the single language US English, which is what is answered here.
        if (index != 0 || !info_.usb)
            return false;
        out = QString(QChar(0x0409));
        return true;
    }
    int inputReportLength() override { return descriptor_.valid ? descriptor_.inputReportLength : 0; }
    bool setFeature(const quint8* data, int length) override
    {
        if (fd_ < 0 || length <= 0)
            return false;
        QByteArray copy(reinterpret_cast<const char*>(data), length);
        return ::ioctl(fd_, HIDIOCSFEATURE(length), copy.data()) >= 0;
    }
    HidReadResult read(quint8* buffer, int length, int timeoutMs) override
    {
        HidReadResult r;
        if (cancelled_ || fd_ < 0) {
            r.status = HidReadResult::Error;
            r.error = ECANCELED;
            return r;
        }
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int n = ::poll(fds, wake_ >= 0 ? 2 : 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            return r;
        if (n < 0 || cancelled_ || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            r.status = HidReadResult::Error;
            r.error = cancelled_ ? ECANCELED : (n < 0 ? errno : ENODEV);
            return r;
        }
        if (n == 0 || !(fds[0].revents & POLLIN))
            return r;
        // The kernel leaves the report ID out of unnumbered reports; put the 0 back.
        const int offset = descriptor_.numbered ? 0 : 1;
        if (length <= offset)
            return r;
        const ssize_t got = ::read(fd_, buffer + offset, static_cast<size_t>(length - offset));
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return r;
            r.status = HidReadResult::Error;
            r.error = static_cast<quint32>(errno);
            return r;
        }
        if (offset)
            buffer[0] = 0;
        r.status = HidReadResult::Report;
        r.bytes = got > 0 ? static_cast<int>(got) + offset : 0;
        return r;
    }
    void cancel() override
    {
        cancelled_ = true;
        if (wake_ >= 0) {
            const quint64 one = 1;
            [[maybe_unused]] const ssize_t w = ::write(wake_, &one, sizeof one);
        }
    }

private:
    static bool text(const QString& value, QString& out)
    {
        if (value.isEmpty())
            return false;
        out = value;
        return true;
    }
    QByteArray descriptorFromNode()
    {
        int size = 0;
        if (::ioctl(fd_, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
            return {};
        hidraw_report_descriptor desc{};
        desc.size = static_cast<__u32>(size);
        if (::ioctl(fd_, HIDIOCGRDESC, &desc) < 0)
            return {};
        return QByteArray(reinterpret_cast<const char*>(desc.value), size);
    }

    QString path_;
    int fd_;
    int wake_;
    std::atomic<bool> cancelled_{false};
    SysInfo info_;
    ReportDescriptorInfo descriptor_;
};

} // namespace

HidrawPlatform::HidrawPlatform() : udev_(udev_new()) {}

HidrawPlatform::~HidrawPlatform()
{
    stopWatching();
    if (udev_)
        udev_unref(udev_);
}

std::vector<HidInterfaceInfo> HidrawPlatform::enumerate()
{
    std::vector<HidInterfaceInfo> found;
    if (udev_) {
        udev_enumerate* e = udev_enumerate_new(udev_);
        if (e && udev_enumerate_add_match_subsystem(e, "hidraw") >= 0 && udev_enumerate_scan_devices(e) >= 0) {
            udev_list_entry* entry = nullptr;
            udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e))
            {
                udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
                if (!dev)
                    continue;
                const char* node = udev_device_get_devnode(dev);
                udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
                if (node) {
                    // The HID device's name carries a counter that grows with every plug-in,
                    // so the id changes when the device comes back.
                    const QString hidName = hid ? QString::fromUtf8(udev_device_get_sysname(hid)) : QString();
                    const QString path = QString::fromUtf8(node);
                    found.push_back({path, fold(path + QLatin1Char('|') + hidName)});
                }
                udev_device_unref(dev);
            }
        }
        if (e)
            udev_enumerate_unref(e);
        return found;
    }
    const QStringList nodes = QDir(QStringLiteral("/dev")).entryList({QStringLiteral("hidraw*")}, QDir::System);
    for (const QString& name : nodes) {
        const QString path = QStringLiteral("/dev/") + name;
        struct stat st {};
        if (::stat(path.toLocal8Bit().constData(), &st) != 0)
            continue;
        // The node is made anew at every plug-in.
        found.push_back({path, fold(path + QString::number(st.st_ctim.tv_sec) + QLatin1Char('.')
                                    + QString::number(st.st_ctim.tv_nsec))});
    }
    return found;
}

std::unique_ptr<HidConnection> HidrawPlatform::open(const QString& path, HidAccess access, int* error)
{
    const QByteArray native = path.toLocal8Bit();
    int fd = -1;
    if (access == HidAccess::None) {
        struct stat st {};
        if (::stat(native.constData(), &st) != 0) {
            if (error)
                *error = errno;
            return nullptr;
        }
    } else {
        const int flags = (access == HidAccess::ReadWrite ? O_RDWR : (O_RDONLY | O_NONBLOCK)) | O_CLOEXEC;
        fd = ::open(native.constData(), flags);
        if (fd < 0) {
            if (error)
                *error = errno;
            return nullptr;
        }
    }
    return std::make_unique<HidrawConnection>(path, fd);
}

void HidrawPlatform::setDeviceChangeHandler(std::function<void()> handler)
{
    handler_ = std::move(handler);
    if (!handler_) {
        stopWatching();
        return;
    }
    if (notifier_ || rescanTimer_)
        return;
    if (udev_) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ && udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) >= 0
            && udev_monitor_enable_receiving(monitor_) >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
                // Drain every pending event; one re-scan covers them all.
                while (udev_device* dev = udev_monitor_receive_device(monitor_))
                    udev_device_unref(dev);
                if (handler_)
                    handler_();
            });
            return;
        }
        if (monitor_) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
    lastSeen_ = enumerate();
    rescanTimer_ = std::make_unique<QTimer>();
    rescanTimer_->setInterval(kRescanMs);
    QObject::connect(rescanTimer_.get(), &QTimer::timeout, [this] { rescanForChanges(); });
    rescanTimer_->start();
}

void HidrawPlatform::rescanForChanges()
{
    std::vector<HidInterfaceInfo> now = enumerate();
    const bool same = now.size() == lastSeen_.size()
        && std::equal(now.begin(), now.end(), lastSeen_.begin(), [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) {
               return a.path == b.path && a.instanceId == b.instanceId;
           });
    lastSeen_ = std::move(now);
    if (!same && handler_)
        handler_();
}

void HidrawPlatform::stopWatching()
{
    notifier_.reset();
    rescanTimer_.reset();
    if (monitor_) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}
