#pragma once
// The files a set or rename works on: each operand names a file, or a folder standing for its
// MP3 files as the window lists them.

#include "Console.h"

#include <QByteArray>

#include <vector>

struct FileTarget {
    QByteArray path;    // as the user named it, or folder + "/" + name
    QByteArray folder;  // the folder the file lies in
    QByteArray name;    // the file's own name
};

// Operands are raw bytes, already unescaped. A folder that cannot be listed, and a file whose
// name does not end in ".mp3" (in any letter case), is reported and left out. Each file comes
// once, in the order given.
std::vector<FileTarget> expandFileTargets(const std::vector<QByteArray> &operands, Console &console);
