#include "browser/Id3v2Badge.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace {

QPixmap badged(QPixmap pixmap)
{
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = pixmap.width() / pixmap.devicePixelRatio();
    const QRectF disc(side * 0.45, side * 0.45, side * 0.55, side * 0.55);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 90, 170));
    painter.drawEllipse(disc);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(qMax(6, int(disc.height() * 0.85)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter, QStringLiteral("2"));
    return pixmap;
}

}  // namespace

QIcon withId3v2Badge(const QIcon &icon)
{
    QIcon result;
    QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        sizes = {QSize(16, 16), QSize(32, 32)};
    for (const QSize &size : sizes) {
        QPixmap pixmap = icon.pixmap(size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size);
            pixmap.fill(Qt::transparent);
        }
        result.addPixmap(badged(pixmap));
    }
    return result;
}
