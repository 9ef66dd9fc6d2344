// The top bar's sentence about the link: what outranks what, and counts taken from the moment
// the link was opened.
#include "app/link_status.h"

#include <gtest/gtest.h>

namespace {
QDateTime at(int h, int m, int s) { return QDateTime(QDate(2026, 1, 15), QTime(h, m, s), Qt::UTC); }
} // namespace

TEST(LinkStatus, SaysTheWorstNewsFirstAndCountsOverrunsFromTheOpen)
{
    LinkStatus serial;
    EXPECT_EQ(serial.text(":"), "") << "nothing to say before a link is open";
    serial.silent();
    EXPECT_EQ(serial.text(":"), "") << "no link, no silence";

    EXPECT_EQ(serial.receiving("COM1", true, at(10, 15, 0), 40), LinkStatus::Change::Opened);
    EXPECT_EQ(serial.receiving("COM1", true, at(10, 15, 1), 45), LinkStatus::Change::None) << "open already";
    EXPECT_EQ(serial.text(":"), "");
    EXPECT_FALSE(serial.droppedBytes(40)) << "the count shown starts at the open";
    serial.droppedBytes(52);
    EXPECT_EQ(serial.text(":"), "COM1: 12 bytes dropped: sent faster than they were read");

    serial.frameArrived(at(10, 15, 30));
    serial.silent();
    EXPECT_EQ(serial.text("."), "No data from COM1 since 10.15.30; 12 bytes dropped: sent faster than they were read");
    serial.lost(at(10, 15, 31));
    serial.lost(at(10, 15, 40));
    EXPECT_EQ(serial.text(":"), "COM1 was lost at 10:15:31; waiting for it to return; 12 bytes dropped: sent faster "
                                "than they were read") << "the first loss is the one that counts";
    serial.regained(at(10, 15, 33));
    EXPECT_EQ(serial.text(":"), "No data from COM1 since 10:15:33; 12 bytes dropped: sent faster than they were read");
    EXPECT_TRUE(serial.frameArrived(at(10, 15, 34))) << "a frame ends the silence";

    EXPECT_EQ(serial.receiving("the USB cable", false, at(10, 15, 35)), LinkStatus::Change::None)
        << "the close of the link that is not open";
    EXPECT_NE(serial.text(":"), "");
    EXPECT_EQ(serial.receiving("COM1", false, at(10, 15, 35)), LinkStatus::Change::Closed);
    EXPECT_EQ(serial.text(":"), "");

    LinkStatus usb;
    usb.receiving("the USB cable", true, at(9, 0, 0));
    usb.lost(at(9, 1, 2));
    EXPECT_EQ(usb.text(":"), "The USB cable was lost at 09:01:02; waiting for it to return");
}
