#include "ui/recorder_picture.h"

#include "log/files/table_file_writer.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace {

// Lines and texts as shapes, not as a picture of them.
bool drawVector(QCustomPlot& plot, QPaintDevice& device)
{
    QCPPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, plot.width(), plot.height());
    return painter.end();
}

bool drawPdf(QCustomPlot& plot, QIODevice& out)
{
    QPdfWriter pdf(&out);
    pdf.setResolution(72);   // a pixel on screen is a point on the page
    pdf.setPageSize(QPageSize(QSizeF(plot.width(), plot.height()), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setCreator(QStringLiteral("meter-logger"));
    return drawVector(plot, pdf);
}

bool drawSvg(QCustomPlot& plot, QIODevice& out)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(plot.size());
    svg.setViewBox(QRect(QPoint(0, 0), plot.size()));
    svg.setTitle(QStringLiteral("Recorder"));
    return drawVector(plot, svg);
}

} // namespace

FileOutcome saveRecorderPicture(QCustomPlot& plot, const QString& fileName)
{
    const auto cannotCreate = [&fileName](const QString& reason) {
        return FileOutcome::error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
    };
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false;
    if (suffix == QLatin1String("png"))
        drawn = plot.toPixmap(plot.width(), plot.height()).save(&buffer, "PNG");
    else if (suffix == QLatin1String("pdf"))
        drawn = drawPdf(plot, buffer);
    else if (suffix == QLatin1String("svg"))
        drawn = drawSvg(plot, buffer);
    else
        return cannotCreate(QStringLiteral("Choose a name ending in .png, .pdf or .svg."));
    if (!drawn || bytes.isEmpty())
        return cannotCreate(QStringLiteral("The picture could not be drawn."));
    TableFileWriter writer(fileName);
    if (!writer.open())
        return cannotCreate(writer.errorString());
    writer.buffer().append(bytes.constData(), std::size_t(bytes.size()));
    if (!writer.commit())
        return cannotCreate(writer.errorString());
    return FileOutcome::information(QStringLiteral("Graphic has saved on %1").arg(fileName));
}
