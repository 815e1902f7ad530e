#pragma once
// An M3U8 playlist of an album: UTF-8, "#EXTM3U", then for each file "#EXTINF:seconds,Artist -
// Title" and its path relative to the playlist's folder. The files go in track-number order, those
// without a number after them in the list's order.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CodePage;
struct TagReading;

struct PlaylistItem {
    QByteArray path;  // the file's path, as the playlist names it (relative to its folder)
    QString title, artist;
    QString fallback;  // the file's name without ".mp3", for a file without a title
    int track = 0;     // 0: none
    std::optional<qint64> lengthMs;  // none: "#EXTINF:-1", as players read an unknown length
};

// The item of a file from its reading (the fields decoded in page); path and length are the caller's.
PlaylistItem playlistItem(const QByteArray &path, const QByteArray &name, const TagReading &reading,
                          const CodePage &page);

// Numbered files by their number (equal numbers in the list's order), then the others in order.
void sortForPlaylist(std::vector<PlaylistItem> &items);

// One album's files (paths as named) for a playlist in playlistFolder (its real path): each read
// with its tag and its music's length, named by its path from there, in playlist order. A file
// that cannot be read is handed to failed, with why, and left out.
std::vector<PlaylistItem> albumItems(const std::vector<QByteArray> &paths, const QByteArray &playlistFolder,
                                     const CodePage &page,
                                     const std::function<void(const QByteArray &path, const QString &why)> &failed);

// The real path of folder (every link resolved); empty when it cannot be found.
QByteArray realFolderPath(const QByteArray &folder);

// The playlist's text.
QByteArray playlistText(const std::vector<PlaylistItem> &items);

// The path that leads from folder to target, both absolute and without links ("../B/x.mp3").
QByteArray relativePath(const QByteArray &folder, const QByteArray &target);

// Writes text to path whole or not at all: a temporary file beside it, flushed, then put in its
// place; an existing file is replaced only when replace is set (else EEXIST).
FileStatus writePlaylist(const QByteArray &path, const QByteArray &text, bool replace);
