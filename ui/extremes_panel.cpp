#include "ui/extremes_panel.h"

#include "decode/unit_display.h"

#include <QLabel>

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text, int x)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, 2, 60, 20);
    return l;
}

} // namespace

ExtremesPanel::ExtremesPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel3"));
    label(this, "LabMin", QStringLiteral("MIN: "), 0);
    MinText = label(this, "MinText", QStringLiteral("4001"), 40);
    MinTextU = label(this, "MinTextU", QString(), 100);
    label(this, "LabMax", QStringLiteral("MAX: "), 150);
    MaxText = label(this, "MaxText", QStringLiteral("-4001"), 190);
    MaxTextU = label(this, "MaxTextU", QString(), 250);
}

void ExtremesPanel::showFullScale(int fullScaleCount)
{
    MinText->setText(QString::number(fullScaleCount + 1));
    MaxText->setText(QString::number(-(fullScaleCount + 1)));
}

void ExtremesPanel::show(const ExtremesLabels& labels)
{
    MaxText->setText(labels.maxText);
    MinText->setText(labels.minText);
    const QString unit = displayUnit(labels.unit);
    MaxTextU->setText(unit);
    MinTextU->setText(unit);
}
