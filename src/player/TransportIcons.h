#pragma once
// The pictures of the five transport buttons, drawn here rather than shipped as image files:
// 28 x 28 pixels, black symbols on light grey (RGB 192, 192, 192).

#include <QIcon>

enum class TransportButton { Rewind, Play, FastForward, Pause, Stop };

QIcon transportIcon(TransportButton which);
