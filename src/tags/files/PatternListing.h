#pragma once
// The MP3 files of a folder as the program lists them: regular files (or links to regular files)
// whose names match a pattern without regard to case and do not begin with "."; sorted by name
// without regard to case, ties by bytes. Shared by the window's file list and the command line.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct ListedFile {
    QByteArray name;  // the file system's raw bytes
    QString display;  // decoded, U+FFFD for invalid bytes
};

// The pattern of the files the program lists and edits.
QString mp3Pattern();

// The folder as the start of its files' paths: with one "/" at its end.
QByteArray folderPrefix(const QByteArray &folder);

// Fills files (emptied first) from folder; on failure files is empty and the error is returned.
FileStatus listFolderFiles(const QByteArray &folder, const QString &pattern, std::vector<ListedFile> &files);

// Whether a name matches a pattern such as "*.mp3" or "*.mp3;*.mp2" ("*" and "?"; "*.*" is every
// file), ASCII letters compared without regard to case.
bool matchesFilePattern(const QByteArray &name, const QString &pattern);
