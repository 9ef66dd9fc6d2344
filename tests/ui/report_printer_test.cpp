#include "log/log_table.h"
#include "log/report_rows.h"
#include "ui/report_preview.h"
#include "ui/report_printer.h"

#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void fill(LogTable& t, int rows) { fillReportRows(t, rows); }
QString shownUnit(const QString& stored) { return reportShownUnit(stored); }

}   // namespace

TEST(ReportPdf, WritesOnePdfPagePerReportPage)
{
    QTemporaryDir dir;
    LogTable t;
    EXPECT_EQ(writeReportPdf(t, dir.filePath("empty.pdf"), shownUnit), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.pdf"))) << "an empty table has no pages";

    fill(t, 45);
    const QString path = dir.filePath("r.pdf");
    ASSERT_EQ(writeReportPdf(t, path, shownUnit), 2);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    EXPECT_EQ(QString::fromLatin1(pdf).count(page), 2);
    // A4 portrait in points.
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595") || pdf.contains("/MediaBox [0 0 595.")) << "A4 page";

    EXPECT_EQ(writeReportPdf(t, dir.filePath("no/such/dir/r.pdf"), shownUnit), -1);

    // Logging goes on behind the preview: the printer gets the 2 pages previewed, not 3, and
    // the preview says which rows they hold.
    ReportPreview preview(t, shownUnit);
    fill(t, 40);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    emit preview.dialog().paintRequested(&printer);
    QFile printed(dir.filePath("printed.pdf"));
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(printed.readAll()).count(page), 2);
    const QLabel* rows = preview.dialog().findChild<QLabel*>(QStringLiteral("ReportRows"));
    ASSERT_TRUE(rows);
    EXPECT_TRUE(rows->text().startsWith("This report holds rows 1 to 45 of the log (No. 1 to 45)")) << rows->text().toStdString();
}
