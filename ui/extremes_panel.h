#pragma once
// Panel3: the labels of the highest and lowest reading, with their units as a person reads them.
#include "reading/extremes.h"

#include <QFrame>

class QLabel;

class ExtremesPanel : public QFrame {
public:
    explicit ExtremesPanel(QWidget* parent = nullptr);
    // The model's start-up full scale: the texts before the first reading.
    void showFullScale(int fullScaleCount);
    void show(const ExtremesLabels& labels);

private:
    QLabel* MaxText;
    QLabel* MinText;
    QLabel* MaxTextU;
    QLabel* MinTextU;
};
