#include "ui/lcd_icons.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor& kInk = kLcdInk;

QFont labelFont(int pixelSize, bool bold = true)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void drawLabel(QPainter& p, const QRect& box, const QString& text, int pixelSize)
{
    p.setFont(labelFont(pixelSize));
    p.setPen(kInk);
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void drawDelta(QPainter& p, const QRectF& box)
{
    QPen pen(kInk, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({{box.center().x(), box.top() + 1},
                             {box.right() - 1, box.bottom() - 1},
                             {box.left() + 1, box.bottom() - 1}}));
}

void drawHold(QPainter& p, const QRect& box)
{
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(box).adjusted(1, 1, -1, -1), 3, 3);
    p.setFont(labelFont(12));
    p.drawText(box, Qt::AlignCenter, QStringLiteral("H"));
}

void drawBattery(QPainter& p, const QRect& box)
{
    const QRectF body(box.left() + 1, box.top() + 1, box.width() - 6, box.height() - 2);
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(body);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(body.right(), body.center().y() - 2.5, 3, 5));   // terminal
    p.drawRect(QRectF(body.left() + 3, body.top() + 3, 4, body.height() - 6));   // last bar left
}

void drawDiode(QPainter& p, const QRect& box)
{
    const double y = box.center().y() + 0.5;
    const double apex = box.left() + box.width() * 0.62;
    const double base = apex - box.height() * 0.6;
    const double half = box.height() / 2.0 - 1;
    p.setPen(QPen(kInk, 1.6));
    p.drawLine(QPointF(box.left(), y), QPointF(box.right() + 1, y));
    p.drawLine(QPointF(apex, y - half), QPointF(apex, y + half));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{base, y - half}, {apex, y}, {base, y + half}}));
}

void drawContinuity(QPainter& p, const QRect& box)
{
    const QPointF source(box.left() + 2, box.center().y() + 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(source, 2, 2);
    p.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int wave = 1; wave <= 3; ++wave) {
        const double r = 3.5 * wave;
        p.drawArc(QRectF(source.x() - r, source.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

// Two opposed arrows in a small frame: data has arrived from the meter.
void drawDataPicture(QPainter& p, const QRect& box)
{
    const QRectF frame = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame, 2, 2);
    const double l = frame.left() + 4, r = frame.right() - 4;
    const double upper = frame.top() + frame.height() * 0.33, lower = frame.top() + frame.height() * 0.67;
    p.drawLine(QPointF(l, upper), QPointF(r, upper));
    p.drawLine(QPointF(l, lower), QPointF(r, lower));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{r + 1, upper}, {r - 3, upper - 2.5}, {r - 3, upper + 2.5}}));
    p.drawPolygon(QPolygonF({{l - 1, lower}, {l + 3, lower - 2.5}, {l + 3, lower + 2.5}}));
}

}   // namespace

// A segment drawn as a hexagon between two points on its centre line.
QPolygonF segmentPolygon(QPointF from, QPointF to)
{
    const double h = kLcdSegment / 2;
    if (from.y() == to.y()) {
        return QPolygonF({from, {from.x() + h, from.y() - h}, {to.x() - h, to.y() - h}, to,
                          {to.x() - h, to.y() + h}, {from.x() + h, from.y() + h}});
    }
    return QPolygonF({from, {from.x() + h, from.y() + h}, {to.x() + h, to.y() - h}, to,
                      {to.x() - h, to.y() - h}, {from.x() - h, from.y() + h}});
}

void drawMinus(QPainter& p, const QRect& box, const QColor& colour)
{
    const double y = box.center().y() + 0.5;
    p.setBrush(colour);
    p.drawPolygon(segmentPolygon({double(box.left()), y}, {double(box.right() + 1), y}));
}

void drawPoint(QPainter& p, const QRect& box, const QColor& colour)
{
    p.setBrush(colour);
    p.drawRect(box);
}

void drawIndicator(QPainter& p, Indicator indicator, const QRect& box)
{
    switch (indicator) {
    case Indicator::LcdAuto: drawLabel(p, box, QStringLiteral("Auto range"), 12); break;
    case Indicator::LcdDc1: drawLabel(p, box, QStringLiteral("DC"), 13); break;
    case Indicator::LcdAC: drawLabel(p, box, QStringLiteral("AC"), 13); break;
    case Indicator::LCDREL: drawDelta(p, box); break;
    case Indicator::LCDHold: drawHold(p, box); break;
    case Indicator::Labmax: drawLabel(p, box, QStringLiteral("MAX"), 11); break;
    case Indicator::Labmin: drawLabel(p, box, QStringLiteral("MIN"), 11); break;
    case Indicator::LCDBATT: drawBattery(p, box); break;
    case Indicator::LCDn: drawLabel(p, box, QStringLiteral("n"), 17); break;
    case Indicator::LCDu: drawLabel(p, box, QString(QChar(0x00B5)), 17); break;
    case Indicator::Lcdm: drawLabel(p, box, QStringLiteral("m"), 17); break;
    case Indicator::LCDk: drawLabel(p, box, QStringLiteral("k"), 17); break;
    case Indicator::LCDM1: drawLabel(p, box, QStringLiteral("M"), 17); break;
    case Indicator::LCDFm: drawContinuity(p, box); break;
    case Indicator::LCDDI: drawDiode(p, box); break;
    case Indicator::LCDBF: drawLabel(p, box, QStringLiteral("%"), 16); break;
    case Indicator::LcdV: drawLabel(p, box, QStringLiteral("V"), 17); break;
    case Indicator::LCDA: drawLabel(p, box, QStringLiteral("A"), 17); break;
    case Indicator::LCDohm: drawLabel(p, box, QString(QChar(0x03A9)), 17); break;
    case Indicator::LCDHz: drawLabel(p, box, QStringLiteral("Hz"), 16); break;
    case Indicator::LCDF: drawLabel(p, box, QStringLiteral("F"), 17); break;
    case Indicator::LCDCS: drawLabel(p, box, QStringLiteral("\u00B0C"), 15); break;
    case Indicator::LCDFS: drawLabel(p, box, QStringLiteral("\u00B0F"), 15); break;
    case Indicator::LcdFH: drawMinus(p, box, kInk); break;
    case Indicator::LcdP1:
    case Indicator::LcdP2:
    case Indicator::LcdP3: drawPoint(p, box, kInk); break;
    case Indicator::Count: break;
    }
}

void drawExtra(QPainter& p, PanelExtra extra, const QRect& box)
{
    switch (extra) {
    case PanelExtra::LCDsend: drawDataPicture(p, box); break;
    case PanelExtra::LcdRPM: drawLabel(p, box, QStringLiteral("RPM"), 11); break;
    case PanelExtra::LCDBT: drawLabel(p, box, QStringLiteral("BT"), 9); break;
    case PanelExtra::EF: drawLabel(p, box, QStringLiteral("EF"), 11); break;
    case PanelExtra::Memo2:
    case PanelExtra::Count: break;
    }
}
