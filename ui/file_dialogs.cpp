#include "ui/file_dialogs.h"

namespace {
const char kCsvFilter[] = "CSV for spreadsheets (*.csv)";
const char kJsonLinesFilter[] = "JSON Lines for scripts (*.jsonl)";
}

FileDialogParams saveTableDialogParams()
{
    FileDialogParams p;
    p.filter = QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;") + QLatin1String(kCsvFilter)
               + QStringLiteral(";;") + QLatin1String(kJsonLinesFilter);
    p.defaultSuffix = QStringLiteral("xls");
    // A name typed without a suffix under these filters becomes their export.
    p.filterSuffixes = {{QLatin1String(kCsvFilter), QStringLiteral("csv")},
                        {QLatin1String(kJsonLinesFilter), QStringLiteral("jsonl")}};
    p.confirmOverwrite = true;
    p.clearNameBeforeShow = true;
    return p;
}

FileDialogParams openTableDialogParams()
{
    FileDialogParams p;
    p.filter = QStringLiteral("Excel File(*.xls);;XML (*.xml);;Txt File(*.txt)");
    p.confirmOverwrite = false;
    p.clearNameBeforeShow = false;   // keeps the last chosen name
    return p;
}

FileDialogParams chartPictureDialogParams()
{
    FileDialogParams p;
    p.filter = QStringLiteral("Bitmaps (*.bmp)");
    p.defaultSuffix = QStringLiteral("bmp");
    p.confirmOverwrite = true;
    p.resizable = true;
    return p;
}

FileDialogParams recorderPictureDialogParams()
{
    const QString png = QStringLiteral("PNG picture (*.png)"), pdf = QStringLiteral("PDF document (*.pdf)"),
                  svg = QStringLiteral("SVG drawing (*.svg)");
    FileDialogParams p;
    p.filter = png + QStringLiteral(";;") + pdf + QStringLiteral(";;") + svg;
    p.defaultSuffix = QStringLiteral("png");
    p.filterSuffixes = {{pdf, QStringLiteral("pdf")}, {svg, QStringLiteral("svg")}};
    p.confirmOverwrite = true;
    return p;
}
