#pragma once
// Window layouts are given in twips: 15 twips make one device-independent pixel.

#include <QRect>

constexpr int twips(int value) { return value / 15; }

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}
