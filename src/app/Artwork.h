#pragma once
// The program's pictures: the window's icon from the PNGs in resources/icons (the same pictures the
// desktop shows), the rest drawn with QPainter.

#include <QIcon>
#include <QPixmap>

QPixmap splashPicture();  // 400 x 298: "Velmora" above discs and music notes, and a credit line
QPixmap staffPicture();   // 84 x 56: a treble clef and notes on purple staff lines
QIcon windowIcon();       // a tag with a note, 16 to 256 px
QIcon rowIcon();          // 16 x 16, the MP3 list's row icon
