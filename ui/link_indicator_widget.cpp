#include "ui/link_indicator_widget.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

LinkIndicatorWidget::LinkIndicatorWidget(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(16, 16);
}

void LinkIndicatorWidget::setAlive(bool alive)
{
    if (alive_ == alive)
        return;
    alive_ = alive;
    update();
}

void LinkIndicatorWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    const double side = std::min(width(), height()) - 2.0;
    const QRectF lamp((width() - side) / 2, (height() - side) / 2, side, side);

    const QColor light = alive_ ? QColor(120, 230, 120) : QColor(225, 225, 225);
    const QColor dark = alive_ ? QColor(20, 140, 40) : QColor(150, 150, 150);
    QRadialGradient shine(lamp.center() - QPointF(side / 5, side / 5), side * 0.7);
    shine.setColorAt(0, light);
    shine.setColorAt(1, dark);
    p.setPen(QPen(alive_ ? QColor(10, 90, 25) : QColor(110, 110, 110), 1.2));
    p.setBrush(shine);
    p.drawEllipse(lamp);

    // A plug: body with two prongs and a cable, in white on the lamp.
    const double u = side / 12;
    const QPointF c = lamp.center();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(c.x() - 2.5 * u, c.y() - 1.5 * u, 5 * u, 3.5 * u), u * 0.6, u * 0.6);
    p.drawRect(QRectF(c.x() - 1.8 * u, c.y() - 4 * u, 1 * u, 2.5 * u));
    p.drawRect(QRectF(c.x() + 0.8 * u, c.y() - 4 * u, 1 * u, 2.5 * u));
    p.drawRect(QRectF(c.x() - 0.6 * u, c.y() + 2 * u, 1.2 * u, 2.8 * u));

    if (!alive_) {
        // A red stroke across: no frames are arriving.
        p.setPen(QPen(QColor(200, 30, 30), std::max(1.5, side / 10), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(lamp.left() + side * 0.2, lamp.bottom() - side * 0.2),
                   QPointF(lamp.right() - side * 0.2, lamp.top() + side * 0.2));
    }
}
