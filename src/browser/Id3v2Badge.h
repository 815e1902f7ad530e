#pragma once
// The MP3 list's icon for a file that begins with an ID3v2 tag: the row icon with a small "2".

#include <QIcon>

QIcon withId3v2Badge(const QIcon &icon);
