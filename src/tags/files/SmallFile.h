#pragma once
// A small file that is not music (settings, the instructions) read whole through the one
// regular-file open: a FIFO is never waited on, a device (a link to /dev/zero) is never read,
// and a file larger than the caller's limit is refused before any of it is read.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QString>

struct SmallFile {
    // Success with the bytes; else the reason: ENOENT when there is no such file, the system's
    // words for a file that cannot be opened, "Not a regular file" or "Is a directory", or
    // EFBIG saying the limit for a file over it.
    FileStatus status = FileStatus::success();
    QByteArray bytes;

    bool absent() const { return status.code() == ENOENT; }
};

// The bytes of path, refused when it is not a regular file or holds more than limit bytes (also
// when it grows beyond the limit while it is read).
SmallFile readSmallFile(const QString &path, qint64 limit);

// What an open stream (standard input) gives up to its end, refused when it is more than limit
// bytes; the caller keeps fd open.
SmallFile readSmallStream(int fd, qint64 limit);

// "1 MiB", "64 KiB" or "100 bytes": a limit as the messages name it.
QString sizeText(qint64 bytes);
