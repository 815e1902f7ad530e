#pragma once
// The ID3v2 tag at the start of an MP3 file, read (never written) for the values the trailer has
// fields for. Only the selected file and the command line's listings read it; the folder scan only
// notes that it is there.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QHashFunctions>
#include <QString>

#include <array>
#include <vector>

// The text of the ID3v2 frames that match the trailer's fields.
struct Id3v2Values {
    int version = 0;  // major version: 2, 3 or 4
    QString title, artist, album;
    QString year;  // the year, or the whole recording date ("2001-05-03")
    QString comment, genre;
    bool operator==(const Id3v2Values &) const = default;
};

struct Id3v2Reading {
    FileStatus status = FileStatus::success();  // whether the file could be read at all
    bool present = false;   // the file begins with an ID3v2 tag
    QString problem;        // why a tag that is there could not be read; empty when it was
    Id3v2Values values;     // when present and problem is empty
};

namespace Id3v2 {

// A tag larger than this is not read: real tags with cover art stay well below it.
constexpr qint64 MaxTagBytes = 4 * 1024 * 1024;

// The frames decoded lately by one thread, by their exact bytes (header included) and version:
// the files of one folder mostly share their artist, album, year, genre and comment, and a frame
// met again is not decoded again (a title, each file's own, is not kept). A fixed table of sets of
// two, where a newer frame takes the place of the older of its set: keeping costs a copy into
// bytes already there, not an allocation, when nothing repeats. Never shared between threads.
class FrameMemo {
public:
    struct Decoded {
        std::array<char, 4> id;  // as the library names the frame; all zero: a frame it does not read
        QString text;
    };
    const Decoded *find(int major, QByteArrayView frame) const;
    void keep(int major, QByteArrayView frame, const Decoded &decoded);

private:
    struct Slot {
        int major = 0;  // 0: empty
        QByteArray frame;
        Decoded decoded;
    };
    static constexpr size_t Sets = 512;  // of two slots, the newer first
    static size_t setOf(int major, QByteArrayView frame) { return qHash(frame, size_t(major)) % Sets; }
    std::vector<Slot> m_slots;  // made at the first keep
};

// The values of a tag given as its bytes from "ID3" on. Empty problem when they could be read.
// With a memo, frames met before are taken from it.
Id3v2Values parse(const QByteArray &tag, QString &problem, FrameMemo *memo = nullptr);

// The values of a plain tag as textFramesOf (Id3v2Frames.h) gives it, read by the tag library's
// tag and frame classes.
Id3v2Values parsePlain(const QByteArray &plain, QString &problem, FrameMemo *memo = nullptr);

}  // namespace Id3v2
