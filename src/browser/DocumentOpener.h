#pragma once
// Hands a file to the desktop's default application for it.

#include <QByteArray>

// Returns whether the desktop accepted the request; never blocks on the opened program.
bool openDocument(const QByteArray &nativePath);
