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
    QByteArray folder;  // the folder the user named (the save stays inside it), or the file's own
    QByteArray name;    // the file's own name
    int album = 0;      // which folder of a --recursive run the file is in; 0 without one
};

// A run's files as the user gave them, one album (FileTarget::album), each in its list order.
std::vector<std::vector<FileTarget>> albumsOf(const std::vector<FileTarget> &targets);

// Operands are raw bytes, already unescaped. A folder that cannot be listed, and a file whose
// name does not end in ".mp3" (in any letter case), is reported and left out. Each file comes
// once, in the order given.
// recursive (--recursive, -r): each folder named stands for every folder under it too (walkAlbumFolders:
// hidden folders and links to folders passed over, which is said), each folder an album of its
// own; files named one by one are one album together.
std::vector<FileTarget> expandFileTargets(const std::vector<QByteArray> &operands, Console &console,
                                          bool recursive = false);

struct CommandLine;
// The files of a command line's operands, --recursive as given: the one line each command needs.
std::vector<FileTarget> commandTargets(const CommandLine &line, Console &console);

// Reads each target's tag through the tags core with a progress line ("<what> done/total"); a
// file that cannot be read is reported, every other one is handed on with its reading (its ID3v2
// version only when asked).
void forEachReadTarget(const std::vector<FileTarget> &targets, const char *what, Console &console,
                       const std::function<void(const FileTarget &, const TagReading &)> &handle,
                       bool withId3v2Version = false);
