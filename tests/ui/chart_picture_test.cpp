#include "ui/chart_picture.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ChartPicture, WritesTheChartAsABitmapOnWhite)
{
    const struct {
        QSize size;
        const char* why;
    } cases[] = {{{529, 249}, "the chart at its normal size"}, {{1000, 600}, "the chart enlarged"}};
    QTemporaryDir dir;
    for (const auto& c : cases) {
        QImage chart(c.size, QImage::Format_ARGB32);
        chart.fill(Qt::transparent);
        chart.setPixelColor(10, 10, Qt::red);
        const QString path = dir.filePath("chart.bmp");
        const FileOutcome outcome = saveChartPicture(chart, path);
        EXPECT_TRUE(outcome.ok) << c.why;
        EXPECT_EQ(outcome.show, FileOutcome::Show::Information);
        EXPECT_EQ(outcome.text, "Graphic has saved on " + path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(2) == "BM") << "a Windows bitmap";
        const QImage back(path, "BMP");
        ASSERT_FALSE(back.isNull()) << c.why;
        EXPECT_EQ(back.size(), c.size) << c.why;
        EXPECT_EQ(back.pixelColor(0, 0), QColor(Qt::white)) << "transparent parts are white";
        EXPECT_EQ(back.pixelColor(10, 10), QColor(Qt::red));
    }
}

TEST(ChartPicture, FailureIsReportedWithoutSuccess)
{
    QTemporaryDir dir;
    QImage chart(20, 10, QImage::Format_RGB32);
    chart.fill(Qt::blue);
    const QString path = dir.filePath("missing/chart.bmp");
    const FileOutcome outcome = saveChartPicture(chart, path);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.show, FileOutcome::Show::Error);
    EXPECT_TRUE(outcome.text.startsWith("Cannot create file \"" + path + "\". ")) << outcome.text.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}
