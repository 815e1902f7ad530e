#pragma once
// The files a set or rename works on: each operand names a file, or a folder standing for its
// MP3 files as the window lists them.

#include "cli/Console.h"

#include <QByteArray>

#include <functional>

#include <vector>

struct TagReading;

struct FileTarget {
    QByteArray path;    // as the user named it, or folder + "/" + name
    QByteArray folder;  // the folder the file lies in
    QByteArray name;    // the file's own name
};

// Operands are raw bytes, already unescaped. A folder that cannot be listed, and a file whose
// name does not end in ".mp3" (in any letter case), is reported and left out. Each file comes
// once, in the order given.
std::vector<FileTarget> expandFileTargets(const std::vector<QByteArray> &operands, Console &console);

// Reads each target's tag through the tags core with a progress line ("<what> done/total"); a
// file that cannot be read is reported, every other one is handed on with its reading (its ID3v2
// version only when asked).
void forEachReadTarget(const std::vector<FileTarget> &targets, const char *what, Console &console,
                       const std::function<void(const FileTarget &, const TagReading &)> &handle,
                       bool withId3v2Version = false);
