// Report lengths read from HID report descriptors, and the hidraw back-end's basics.
#include "link/hid/hidraw_platform.h"
#include "link/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

ReportDescriptorInfo parse(const QByteArray& bytes)
{
    return parseReportDescriptor(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
}

// A vendor-defined serial adapter: 8-byte input and output reports, a 9-byte feature report,
// no report IDs.
const QByteArray kAdapter = QByteArray::fromHex(
    "06A0FF"   // Usage Page (vendor 0xFFA0)
    "0901"     // Usage 1
    "A101"     // Collection (Application)
    "0902"     //   Usage 2
    "1500"     //   Logical Minimum 0
    "26FF00"   //   Logical Maximum 255
    "7508"     //   Report Size 8
    "9508"     //   Report Count 8
    "8102"     //   Input (Data, Var, Abs)
    "0903"     //   Usage 3
    "9508"     //   Report Count 8
    "9102"     //   Output
    "0904"     //   Usage 4
    "9509"     //   Report Count 9
    "B102"     //   Feature
    "C0");     // End Collection

// The boot keyboard: modifier byte, reserved byte, six key codes in; five LED bits out.
const QByteArray kKeyboard = QByteArray::fromHex(
    "05010906A101"
    "05071 9E029E71500250175019508 8102"   // eight modifier bits
    "95017508 8101"                        // reserved byte
    "95057501 0508 1901 2905 9102"         // LEDs
    "95017503 9101"                        // LED padding
    "95067508 1500 2565 0507 1900 2965 8100"
    "C0");

// A mouse with a numbered report 1 (3 bytes) and a consumer-control report 2 (2 bytes).
const QByteArray kNumbered = QByteArray::fromHex(
    "05010902A101 8501"
    "0509190129031500250175019503 8102"    // 3 buttons
    "75059501 8101"                        // padding
    "050109300931 1581257F 75089502 8106"  // X, Y
    "C0"
    "050C0901A101 8502"
    "15002501 75019510 8102"               // 16 bits
    "C0");

} // namespace

TEST(ReportDescriptor, RealDescriptors)
{
    const struct {
        QByteArray bytes;
        bool numbered;
        int input;
        int feature;
        const char* what;
    } cases[] = {
        {kAdapter, false, 9, 10, "adapter: 8 bytes and the ID byte put back"},
        {kKeyboard, false, 9, 0, "boot keyboard"},
        {kNumbered, true, 4, 0, "numbered: the longest report and its ID"},
    };
    for (const auto& c : cases) {
        const ReportDescriptorInfo info = parse(c.bytes);
        EXPECT_TRUE(info.valid) << c.what;
        EXPECT_EQ(info.numbered, c.numbered) << c.what;
        EXPECT_EQ(info.inputReportLength, c.input) << c.what;
        EXPECT_EQ(info.featureReportLength, c.feature) << c.what;
    }
}

TEST(ReportDescriptor, PushPopAndLongItems)
{
    // Push keeps size 8 / count 2; the pushed-over values describe a 4-byte input; Pop
    // brings back 2 bytes; a long item in between is skipped whole.
    const QByteArray bytes = QByteArray::fromHex("75089502 A4 75109502 8102 B4 FE02AA0102 8102");
    const ReportDescriptorInfo info = parse(bytes);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.inputReportLength, 4 + 2 + 1);
}

TEST(ReportDescriptor, MalformedDescriptorsGiveNoLength)
{
    const struct { QByteArray bytes; const char* why; } cases[] = {
        {QByteArray(), "empty"},
        {QByteArray::fromHex("75089508 26FF"), "item cut off"},
        {QByteArray::fromHex("7508 9508 8102 B4"), "Pop without Push"},
        {QByteArray::fromHex("8500 75089501 8102"), "report ID 0"},
        {QByteArray::fromHex("FE05AA01"), "long item cut off"},
        {QByteArray::fromHex("77FFFFFFFF 97FFFFFFFF 8102"), "absurd report size"},
    };
    for (const auto& c : cases) {
        const ReportDescriptorInfo info = parse(c.bytes);
        EXPECT_FALSE(info.valid) << c.why;
        EXPECT_EQ(info.inputReportLength, 0) << c.why;
    }
    EXPECT_TRUE(parse(kAdapter.left(kAdapter.size() - 1)).valid) << "an unclosed collection still gives lengths";
}

TEST(HidrawPlatform, MissingNodeCannotBeOpened)
{
    HidrawPlatform platform;
    int error = 0;
    EXPECT_EQ(platform.open(QStringLiteral("/dev/hidraw-none-such"), HidAccess::None, &error), nullptr);
    EXPECT_EQ(error, ENOENT);
    error = 0;
    EXPECT_EQ(platform.open(QStringLiteral("/dev/hidraw-none-such"), HidAccess::ReadWrite, &error), nullptr);
    EXPECT_EQ(error, ENOENT);
    for (const HidInterfaceInfo& info : platform.enumerate())
        EXPECT_TRUE(info.path.startsWith(QStringLiteral("/dev/"))) << info.path.toStdString();
}

TEST(HidrawPlatform, UnnumberedReportsGetTheirIdByteBackAndCancelEndsAWait)
{
    // A pipe stands in for the node: it delivers reports the way hidraw does for a device
    // without report IDs, that is without the ID byte.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("hidraw-pipe"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    HidrawPlatform platform;
    int error = 0;
    std::unique_ptr<HidConnection> reader = platform.open(fifo, HidAccess::Read, &error);
    ASSERT_NE(reader, nullptr) << error;
    const int writer = ::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);

    quint8 buffer[9];
    EXPECT_EQ(reader->read(buffer, sizeof buffer, 10).status, HidReadResult::Timeout);
    const quint8 report[] = {0xF2, 0x2B, 0x31};
    ASSERT_EQ(::write(writer, report, sizeof report), ssize_t(sizeof report));
    const HidReadResult r = reader->read(buffer, sizeof buffer, 1000);
    ASSERT_EQ(r.status, HidReadResult::Report);
    EXPECT_EQ(r.bytes, 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 4).toHex().toUpper(), QByteArray("00F22B31"));

    std::thread canceller([&] { reader->cancel(); });
    const HidReadResult cancelled = reader->read(buffer, sizeof buffer, 10000);
    canceller.join();
    EXPECT_EQ(cancelled.status, HidReadResult::Error);
    EXPECT_EQ(reader->read(buffer, sizeof buffer, 10).status, HidReadResult::Error) << "cancelled for good";
    ::close(writer);
}
