#pragma once
// Window layouts are given in twips: 15 twips make one device-independent pixel.

#include <QRect>

constexpr int twips(int value) { return value / 15; }

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

#include <QFont>
#include <QStringList>

// The layouts were drawn for a small sans-serif face at 8 points; wider default faces would clip
// the captions, so windows use the nearest face installed.
inline QFont layoutFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Nimbus Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8);
    return font;
}
