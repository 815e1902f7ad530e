#pragma once
// Builds the proposal of the "New Filename" box from the panel's artist and song name.

#include <QString>

// The short-name fragment of one field: its ASCII letters and digits, the first four of them,
// in upper case. Everything else (spaces, punctuation, any non-ASCII character) is dropped.
QString DOSFileName(const QString &text);

// The proposed file name. When song or artist is empty the current file name is kept as it is
// (a box holding only spaces is not empty). Long style: artist and song, each cut at its first NUL
// (encoders pad fields with NUL) and with leading and trailing spaces removed, joined by "-",
// plus ".MP3". Short style: the two fragments of DOSFileName, artist first, plus ".MP3".
QString proposeFileName(const QString &song, const QString &artist, bool longNames,
                        const QString &currentFileName);
