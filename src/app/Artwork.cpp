#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor purple(96, 0, 128);
const QColor deepPurple(64, 0, 64);

// A record seen from above: dark vinyl with grooves, a coloured label and the spindle hole.
void drawDisc(QPainter &p, QPointF centre, qreal radius, const QColor &label)
{
    p.save();
    QRadialGradient vinyl(centre, radius, centre - QPointF(radius * 0.3, radius * 0.3));
    vinyl.setColorAt(0.0, QColor(70, 70, 78));
    vinyl.setColorAt(1.0, QColor(12, 12, 16));
    p.setPen(QPen(QColor(150, 150, 160), qMax(1.0, radius / 40)));
    p.setBrush(vinyl);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(90, 90, 100), qMax(0.6, radius / 90)));
    for (qreal r = radius * 0.45; r < radius * 0.95; r += qMax(2.0, radius / 14))
        p.drawEllipse(centre, r, r);
    // A light streak, as the grooves catch the light.
    p.setPen(QPen(QColor(220, 220, 235, 120), qMax(1.0, radius / 25), Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(centre.x() - radius * 0.8, centre.y() - radius * 0.8, radius * 1.6, radius * 1.6),
              100 * 16, 50 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(label);
    p.drawEllipse(centre, radius * 0.33, radius * 0.33);
    p.setBrush(QColor(0, 0, 0));
    p.drawEllipse(centre, qMax(1.0, radius * 0.06), qMax(1.0, radius * 0.06));
    p.restore();
}

// A note head at head (its centre) of the given height, with a stem and, if flagged, a flag.
void drawNote(QPainter &p, QPointF head, qreal size, const QColor &colour, bool flag)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.translate(head);
    p.save();
    p.rotate(-22);
    p.drawEllipse(QPointF(0, 0), size * 0.68, size * 0.47);
    p.restore();
    const qreal stemX = size * 0.58;
    const qreal stemTop = -size * 3.3;
    const qreal stemWidth = qMax(1.0, size * 0.16);
    p.drawRect(QRectF(stemX - stemWidth, stemTop, stemWidth, -stemTop - size * 0.1));
    if (flag) {
        QPainterPath path;
        path.moveTo(stemX - stemWidth / 2, stemTop);
        path.cubicTo(stemX + size * 0.2, stemTop + size * 0.9, stemX + size * 1.5, stemTop + size * 1.2,
                     stemX + size * 0.8, stemTop + size * 2.4);
        path.cubicTo(stemX + size * 1.1, stemTop + size * 1.5, stemX + size * 0.3, stemTop + size * 1.3,
                     stemX - stemWidth / 2, stemTop + size * 1.0);
        path.closeSubpath();
        p.drawPath(path);
    }
    p.restore();
}

// Two notes joined by a beam.
void drawBeamedPair(QPainter &p, QPointF first, QPointF second, qreal size, const QColor &colour)
{
    drawNote(p, first, size, colour, false);
    drawNote(p, second, size, colour, false);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const qreal x1 = first.x() + size * 0.58 - qMax(1.0, size * 0.16);
    const qreal x2 = second.x() + size * 0.58;
    const qreal y1 = first.y() - size * 3.3;
    const qreal y2 = second.y() - size * 3.3;
    const qreal thick = size * 0.5;
    QPainterPath beam;
    beam.moveTo(x1, y1);
    beam.lineTo(x2, y2);
    beam.lineTo(x2, y2 + thick);
    beam.lineTo(x1, y1 + thick);
    beam.closeSubpath();
    p.drawPath(beam);
    p.restore();
}

// A treble clef drawn as one stroked line in the box, its curl round the box's lower middle.
void drawTrebleClef(QPainter &p, const QRectF &box, const QColor &colour)
{
    const auto at = [&](qreal x, qreal y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    QPainterPath path;
    path.moveTo(at(0.38, 0.90));
    path.cubicTo(at(0.48, 1.00), at(0.66, 0.92), at(0.60, 0.76));
    path.lineTo(at(0.45, 0.12));
    path.cubicTo(at(0.44, 0.00), at(0.80, 0.02), at(0.62, 0.26));
    path.cubicTo(at(0.42, 0.44), at(0.10, 0.54), at(0.18, 0.72));
    path.cubicTo(at(0.26, 0.86), at(0.80, 0.86), at(0.78, 0.64));
    path.cubicTo(at(0.76, 0.50), at(0.44, 0.48), at(0.42, 0.62));
    path.cubicTo(at(0.42, 0.70), at(0.52, 0.72), at(0.56, 0.68));
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, qMax(1.2, box.width() * 0.11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at(0.34, 0.88), box.width() * 0.12, box.width() * 0.12);
    p.restore();
}

}  // namespace

QPixmap splashPicture()
{
    QPixmap pixmap(400, 298);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient night(0, 0, 0, 298);
    night.setColorAt(0.0, QColor(24, 0, 36));
    night.setColorAt(1.0, QColor(0, 0, 0));
    p.fillRect(pixmap.rect(), night);

    // The name, in gold with a purple shadow.
    QFont title(QStringLiteral("URW Bookman"), 1, QFont::Bold, true);
    title.setStyleHint(QFont::Serif);
    title.setPixelSize(64);
    p.setFont(title);
    const QRect titleBox(0, 8, 400, 84);
    p.setPen(QColor(120, 40, 160));
    p.drawText(titleBox.translated(3, 3), Qt::AlignCenter, QStringLiteral("Velmora"));
    QLinearGradient gold(0, titleBox.top() + 10, 0, titleBox.bottom() - 10);
    gold.setColorAt(0.0, QColor(255, 236, 150));
    gold.setColorAt(1.0, QColor(200, 140, 20));
    p.setPen(QPen(QBrush(gold), 1));
    p.drawText(titleBox, Qt::AlignCenter, QStringLiteral("Velmora"));

    // Three discs, overlapping, with notes rising from them.
    drawDisc(p, QPointF(110, 178), 66, QColor(200, 40, 60));
    drawDisc(p, QPointF(290, 178), 66, QColor(40, 110, 210));
    drawDisc(p, QPointF(200, 196), 74, QColor(230, 190, 40));
    drawNote(p, QPointF(36, 128), 9, QColor(255, 215, 90), true);
    drawBeamedPair(p, QPointF(342, 120), QPointF(366, 110), 8, QColor(200, 160, 255));
    drawNote(p, QPointF(62, 262), 7, QColor(200, 160, 255), true);
    drawBeamedPair(p, QPointF(318, 262), QPointF(342, 254), 7, QColor(255, 215, 90));

    // The credit line.
    QFont credit(QStringLiteral("DejaVu Sans"));
    credit.setPixelSize(12);
    p.setFont(credit);
    p.setPen(QColor(210, 210, 210));
    p.drawText(QRect(0, 276, 400, 20), Qt::AlignCenter,
               QStringLiteral("freeware by the Velmora developers"));
    return pixmap;
}

QPixmap staffPicture()
{
    QPixmap pixmap(84, 56);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(purple, 1.2));
    // Five lines, 8 pixels apart; the lowest at y = 44.
    for (int line = 0; line < 5; ++line)
        p.drawLine(QPointF(1, 12 + line * 8), QPointF(83, 12 + line * 8));
    p.drawLine(QPointF(1, 12), QPointF(1, 44));
    p.drawLine(QPointF(83, 12), QPointF(83, 44));
    drawTrebleClef(p, QRectF(3, 2, 18, 52), Qt::black);
    drawNote(p, QPointF(32, 40), 4.2, Qt::black, true);         // E4, first line
    drawBeamedPair(p, QPointF(46, 32), QPointF(58, 28), 4.2, Qt::black);  // G4, A4
    drawNote(p, QPointF(72, 20), 4.2, deepPurple, false);       // D5
    return pixmap;
}

// Q_INIT_RESOURCE may not stand in a namespace. The pictures are compiled into a static library,
// whose resource initialiser the linker drops unless something calls it.
static void loadProgramResources() { Q_INIT_RESOURCE(resources); }

QIcon windowIcon()
{
    loadProgramResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/velmora-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon rowIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawNote(p, QPointF(5.5, 12.5), 3.4, purple, true);
    return QIcon(pixmap);
}
