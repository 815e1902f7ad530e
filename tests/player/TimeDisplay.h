#pragma once
// Whether the time display draws its text whole: the box is rendered and the columns that hold
// ink inside its border are measured against the ink of the whole text in the box's font. A text
// the box has scrolled to its end loses its first digits and is narrower, or touches the edge.

#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>

namespace TimeDisplay {

inline bool showsWhole(QLineEdit *box)
{
    const QImage image = box->grab().toImage();
    constexpr int border = 2;
    int left = image.width(), right = -1;
    for (int x = border; x < image.width() - border; ++x)
        for (int y = border; y < image.height() - border; ++y)
            if (qGray(image.pixel(x, y)) < 192) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    const qreal expected = QFontMetricsF(box->font()).tightBoundingRect(box->text()).width();
    const int drawn = right - left + 1;
    const bool whole = drawn >= expected - 2 && left > border && right < image.width() - border - 1;
    if (!whole)
        qWarning("\"%s\": ink %d..%d (%d px) in a box of %d px, the whole text is %.1f px", qPrintable(box->text()),
                 left, right, drawn, image.width(), expected);
    return whole;
}

}  // namespace TimeDisplay
