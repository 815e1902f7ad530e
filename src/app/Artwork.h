#pragma once
// The program's pictures, drawn with QPainter so that no image files need to be shipped.

#include <QIcon>
#include <QPixmap>

QPixmap splashPicture();  // 400 x 298: "Velmora" above discs and music notes, and a credit line
QPixmap staffPicture();   // 84 x 56: a treble clef and notes on purple staff lines
QIcon windowIcon();       // a disc with a note, in the sizes window managers ask for
QIcon rowIcon();          // 16 x 16, the MP3 list's row icon
