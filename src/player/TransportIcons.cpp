#include "player/TransportIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

constexpr int Side = 28;

QPolygonF triangleRight(double left, double top, double width, double height)
{
    return QPolygonF({QPointF(left, top), QPointF(left + width, top + height / 2),
                      QPointF(left, top + height)});
}

QPolygonF triangleLeft(double left, double top, double width, double height)
{
    return QPolygonF({QPointF(left + width, top), QPointF(left, top + height / 2),
                      QPointF(left + width, top + height)});
}

}  // namespace

QIcon transportIcon(TransportButton which)
{
    QPixmap pixmap(Side, Side);
    pixmap.fill(QColor(192, 192, 192));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);

    switch (which) {
    case TransportButton::Play:
        painter.drawPolygon(triangleRight(9, 7, 12, 14));
        break;
    case TransportButton::Pause:
        painter.drawRect(QRectF(8, 7, 4, 14));
        painter.drawRect(QRectF(16, 7, 4, 14));
        break;
    case TransportButton::Stop:
        painter.drawRect(QRectF(8, 8, 12, 12));
        break;
    case TransportButton::Rewind:
        painter.drawPolygon(triangleLeft(4, 8, 10, 12));
        painter.drawPolygon(triangleLeft(14, 8, 10, 12));
        break;
    case TransportButton::FastForward:
        painter.drawPolygon(triangleRight(4, 8, 10, 12));
        painter.drawPolygon(triangleRight(14, 8, 10, 12));
        break;
    }
    painter.end();
    return QIcon(pixmap);
}
