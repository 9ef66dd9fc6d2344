#pragma once
// Saving the recorder's plot as it is shown, at its size on screen: PNG, PDF or SVG, chosen by
// the name's suffix (in any case).
#include "log/files/table_file_outcome.h"

#include <QString>

class QCustomPlot;

// Success: "Graphic has saved on <name>"; failure: "Cannot create file "<name>". <reason>". A
// file that was there is replaced only by a complete picture.
FileOutcome saveRecorderPicture(QCustomPlot& plot, const QString& fileName);
