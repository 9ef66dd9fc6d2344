#include "ui/chart_picture.h"

#include "log/files/table_file_writer.h"

#include <QBuffer>
#include <QPainter>

FileOutcome saveChartPicture(const QImage& chart, const QString& fileName)
{
    const auto cannotCreate = [&fileName](const QString& reason) {
        return FileOutcome::error(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
    };
    if (chart.isNull())
        return cannotCreate(QStringLiteral("There is no picture to save."));
    QImage picture(chart.size(), QImage::Format_RGB888);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.drawImage(0, 0, chart);
    }
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "BMP"))
        return cannotCreate(QStringLiteral("The picture could not be encoded."));
    TableFileWriter writer(fileName);
    if (!writer.open())
        return cannotCreate(writer.errorString());
    writer.buffer().append(bmp.constData(), std::size_t(bmp.size()));
    if (!writer.commit())
        return cannotCreate(writer.errorString());
    return FileOutcome::information(QStringLiteral("Graphic has saved on %1").arg(fileName));
}
