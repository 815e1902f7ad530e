#pragma once
// The two functions through which every tag is read from and saved into a file. The window's scan,
// its selection and Save Tags, and the command-line front end all go through these, so that a
// file is read and written in exactly one way.

#include "tags/text/FileStatus.h"
#include "tags/id3v1/Id3v1.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/id3v2/Id3v2Reader.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

// What a file was when its tag was read: a save can tell whether it still is that file.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;  // -1 in an expected identity: the same file, whatever its size and times
    qint64 modifiedNs = 0;  // modification time, nanoseconds since the epoch
    bool operator==(const FileIdentity &) const = default;
};

struct TagReading {
    FileStatus status = FileStatus::success();
    bool tagged = false;    // the last 128 bytes begin with "TAG"
    Id3v1::Fields fields;   // raw code-page bytes; empty fields and genre 0 when not tagged
    QByteArray trailer;     // the last 128 bytes as read; empty for a file shorter than that
    FileIdentity identity;  // of the open file, valid when status is ok
    int mode = -1;          // its permission bits, valid when status is ok
    int id3v2Version = 0;   // major version (2 to 4) of an ID3v2 tag opening the file; 0: none

    // The ID3v1.1 track number of the trailer read (1 to 255), or 0 when it holds none.
    int track() const { return tagged ? Id3v1::trackNumber(trailer) : 0; }
};

// Opens the regular file at path (never a FIFO or device, nothing on procfs or sysfs; never
// creating one, never blocking), reads its last 128 bytes with one pread and closes it.
// Without withId3v2Version the first bytes are not read, and id3v2Version stays 0 (one read less
// for a save that does not need it).
TagReading readTagFile(const QByteArray &path, bool withId3v2Version = true);

// Both tags of one file from one open: the trailer as readTagFile reads it, and the ID3v2 tag at the
// start as Id3v2::readFile reads it (Id3v2Reader.h). What the window reads when a file is clicked.
struct FileTags {
    TagReading trailer;
    Id3v2Reading id3v2;
};
FileTags readFileTags(const QByteArray &path);

struct RawTrailer;
class CodePage;

namespace Id3v2 {

// Opens the regular file at path as every read does (no FIFO or device, no blocking), reads its
// first ten bytes and, when they open an ID3v2 tag that fits in the file and in MaxTagBytes, the
// tag; the trailer is read in the same open (readFileTags gives both).
Id3v2Reading readFile(const QByteArray &path);

// The reading of a file read with its ID3v2 tag asked for (Id3v2Read::Tag): no file is
// touched again.
Id3v2Reading readingOf(const RawTrailer &raw);

}  // namespace Id3v2

// The same for the files of a folder listing, many read at a time: BulkTrailerReader.h. A scan that
// decodes its rows itself takes the raw bytes; this turns them into what readTagFile returns.
struct RawTrailer;
class SaveJournal;
struct JournalRecord;
TagReading tagReadingOf(const RawTrailer &raw);

struct TagSave {
    QByteArray path;       // the file to write
    Id3v1::Fields fields;  // the trailer's fields, already in code-page bytes, genre included
    QByteArray newName;    // raw bytes of a plain name in the same folder; empty: no rename
    // The file as it was when read: a save refuses a file that is no longer that one. Unset: no check.
    std::optional<FileIdentity> expected;
    // The last 128 bytes as read (empty for a shorter file): under the file's lock a save refuses a
    // file whose trailer is another now, which another program or Velmora process wrote since.
    // Unset: no check.
    std::optional<QByteArray> expectedTrailer;
    // For a save that changes some fields and keeps the rest (velmora-cli set): when the trailer
    // under the lock is not expectedTrailer, the fields are planned anew from it rather than the
    // save refused, so that a change another process made meanwhile is kept. Returns false when
    // the file is then to be left as it is. Only the device and inode of expected are checked.
    std::function<bool(const QByteArray &trailerNow, Id3v1::Fields &fields)> replan;
    // The folder the user chose: the file, or a listed link's target, must lie inside it.
    // Empty: the folder of path.
    QByteArray folder;
    // The permission bits read with expected and expectedTrailer: with all three, a batch commits
    // the save's record before it opens the file, and checks it under the file's lock. -1: the
    // record is made from the file under its lock.
    int modeRead = -1;
    // Where saveTagFile records the save before the file changes, so that it can be undone and a
    // crash part-way put right. None: the save is not journalled. (saveTagFiles takes its own.)
    SaveJournal *journal = nullptr;
    // Gives the file back its modification and access times once the trailer is written, so
    // that a library sorted by date keeps its order.
    bool keepTimes = false;
    // The fields this save also writes into an ID3v2.3 or 2.4 tag opening the file (one bit for
    // each, id3v2Bit in Id3v2Fill.h; 0: the ID3v2 tag is left alone), their text read in page.
    // A tag that cannot be written whole leaves the file as it is, trailer too (Id3v2Writer.h).
    quint32 id3v2Fields = 0;
    const CodePage *page = nullptr;
    WholeTexts id3v2Whole;  // values written whole into the ID3v2 tag, cut to fit the trailer
};

// A save of fields into the file at path as reading found it: refused (or planned anew) under the
// file's lock when the file or its trailer is no longer the one read, its record committed ahead.
TagSave saveOverReading(const QByteArray &path, const TagReading &reading, const Id3v1::Fields &fields);

struct TagSaveResult {
    FileStatus status = FileStatus::success();
    bool written = false;  // the trailer is on disk (a failure after it is the rename's)
    QByteArray path;       // where the file is now: the new path after a rename
    // What the file is after the write (a rename keeps it), so that the next save of the same
    // file is not taken for another program's change. Valid when written.
    FileIdentity identity;
    QByteArray trailer;  // the trailer written, valid when written
    int mode = -1;       // the permission bits the save left, valid when written
    bool id3v2Written = false;  // the ID3v2 tag was written too
};

// Saves a tag: opens only the file that was read (inside the folder, no pseudo file system, the
// expected identity), takes the file's lock (FileLock.h) for the rest of the save, checks the
// trailer read under it against the one expected, clears its read-only bit, writes the trailer over
// the old one (or appends it, all or nothing, flushed to disk; the bit put back when that fails),
// sets the file's times back when asked, then renames the file within its folder when a new name
// is given, never replacing another file. Stops at the first failing step and says which in the
// result. With a journal, the save is recorded before any change, and refused when that record
// cannot be written. A batch of one of saveTagFiles.
TagSaveResult saveTagFile(const TagSave &request);

struct TagSaves {
    SaveJournal *journal = nullptr;  // none: not journalled
    // Called after each file's write, in order, with how many files were tried; false stops the
    // batch there: the files not reached are left as they are.
    std::function<bool(size_t done)> progress;
};

// Saves many files as one batch of the journal, each as saveTagFile saves one, with one flush for
// all: the records of the saves that carry their reading are committed in one transaction before
// the first file changes; each file is then opened once, locked, checked against its record (a
// change since is refused, or planned anew and the record amended first: TagSave::replan) and
// written; the writes are made durable together (syncfs, once for each file system), then the
// renames made, and the records closed in one transaction. Returns each save's result, in order.
std::vector<TagSaveResult> saveTagFiles(const std::vector<TagSave> &saves, const TagSaves &options);

// What a file read as before reads as once the save wrote it (its trailer, identity and
// permissions), without opening it again.
TagReading readingAfter(const TagReading &before, const TagSaveResult &written);

// Why raw bytes cannot serve as a new file name in the same folder (empty, holding "/", NUL or
// another control character, beginning with ".", longer than 255 bytes), or empty text when they can.
QString newNameProblem(const QByteArray &name);

// name with ".MP3" appended unless it already ends in ".mp3" in any letter case.
QString withMp3Extension(const QString &name);
