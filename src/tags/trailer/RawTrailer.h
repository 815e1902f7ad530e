#pragma once
// The last 128 bytes of one file, read with the fewest system calls the job allows: an open
// relative to the folder's descriptor, one fstat (type, size and identity at once), one pread of
// the first ten bytes (is there an ID3v2 tag?), one of the last 128 and a close. Both the reading
// of a single file and the reading of a whole folder use it. When asked, the ID3v2 tag itself is
// read from the same descriptor (one pread more) and its frames that matter taken out of it; or
// the first bytes are left unread, for a scan that notes the ID3v2 tag later, of fewer files.

#include "tags/text/FileStatus.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/trailer/TagCore.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

class FolderFileSystem;

struct RawTrailer {
    FileStatus status = FileStatus::success();
    FileIdentity identity;  // valid when status is ok
    int mode = -1;          // the permission bits, valid when status is ok
    bool complete = false;  // the file is at least 128 bytes long and bytes holds its last 128
    char bytes[Id3v1::TrailerSize];
    int id3v2Version = 0;   // the major version of an ID3v2 tag at the start (2 to 4); 0: none or not read
    // When the tag was asked for: its values, decoded by the thread that read it, or why the tag
    // cannot be read. Both empty otherwise.
    Id3v2Values id3v2Values;
    QString id3v2Problem;

    bool tagged() const { return complete && bytes[0] == 'T' && bytes[1] == 'A' && bytes[2] == 'G'; }
};

// What the folder listing already knows about an entry: a regular file (or a link to one) needs no
// look before the open, anything else is looked at first, because opening a device can have side
// effects of its own. Either way the open cannot block and only a regular file is read.
enum class EntryKind { Unknown, Regular };

// What is read of the file's start besides the trailer.
enum class Id3v2Read {
    None,     // nothing: id3v2Version stays 0
    Version,  // the first ten bytes, for id3v2Version
    Tag,      // the tag as well, decoded into id3v2Values or id3v2Problem
};

struct RawReadOptions {
    const FolderFileSystem *folderFileSystem = nullptr;  // the folder's, when known (RegularFile.h)
    Id3v2Read id3v2 = Id3v2Read::Version;
    Id3v2::FrameMemo *memo = nullptr;  // the calling thread's, for tags read one after another
};

// name is relative to folderFd, or AT_FDCWD for a path relative to the working folder or absolute.
void readRawTrailer(int folderFd, const char *name, EntryKind kind, RawTrailer &out, const RawReadOptions &options = {});

// The major version (2 to 4) of an ID3v2 tag opening the listed file name, from one pread of its
// first ten bytes in an open made as readRawTrailer's; 0 when none opens it or it cannot be read.
int readId3v2Version(int folderFd, const char *name, const FolderFileSystem *folderFs = nullptr);

// Reads the last 128 bytes of the open file of the given size (at least 128) into out, with one
// pread.
FileStatus preadTrailer(int fd, qint64 size, char *out);
// Reads exactly bytes bytes at offset into out; fewer is an error (the file was cut short).
FileStatus preadBytes(int fd, qint64 offset, qint64 bytes, char *out);
