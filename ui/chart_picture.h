#pragma once
// Saving the trend chart as a bitmap file: the chart's own drawing, as it is shown, handed
// over as an image and written on a white background.
#include "log/files/table_file_outcome.h"

#include <QImage>
#include <QString>

// Writes chart as a .bmp file at fileName (24-bit, transparent parts on white). Success:
// "Graphic has saved on <name>"; failure: "Cannot create file "<name>". <reason>" and no
// success message. A file that was there is replaced only by a complete picture.
FileOutcome saveChartPicture(const QImage& chart, const QString& fileName);
