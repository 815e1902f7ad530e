#pragma once
// MP3-like files that carry an ID3v2 tag at the start, made by hand in every layout the readers
// meet (versions 2.2 to 2.4, unsynchronised, extended header, padding, footer, an APE tag before
// the trailer), and real files written by Debian's own taggers.

#include "tags/id3v2/Id3v2Reader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Id3v2Files {

// One frame of a hand-made tag: its id (3 letters for version 2) and its contents after the header.
struct Frame {
    QByteArray id;
    QByteArray contents;
    quint8 formatFlags = 0;  // second flag byte (versions 3 and 4)
};

// Text frame contents: the encoding byte, then the text.
QByteArray latin1(const QByteArray &text);
QByteArray utf16WithBom(const QString &text);  // little-endian, as most taggers write it
QByteArray utf16BigEndian(const QString &text);  // encoding 2 of version 4, no byte order mark
QByteArray utf8(const QString &text);
// COMM/COM contents: encoding 0, language "eng", empty description, the text.
QByteArray latin1Comment(const QByteArray &text);

struct Layout {
    bool unsynchronised = false;  // the whole tag (versions 2 and 3), each frame (version 4)
    bool extendedHeader = false;
    int padding = 0;
    bool footer = false;  // version 4
};

// The tag's bytes: header, (extended header), frames, padding, (footer).
QByteArray tag(int major, const QList<Frame> &frames, const Layout &layout = {});

// An APEv2 tag (header, one item, footer), as some taggers put between the audio and the trailer.
QByteArray apeTag();

// A file of each hand-made layout: its name, bytes and the ID3v2 values a reader should find.
struct Sample {
    QByteArray name;
    QByteArray bytes;
    Id3v2Values values;
};
QList<Sample> samples();

// The samples' first 4,000 bytes written into folder, a fuzzer's seeds; false when one could not be.
bool writeSampleSeeds(const QByteArray &folder);

// The trailer every sample that has one ends with: "Morning Walk (v1)", track 7.
QByteArray sampleTrailer();

// The trailer filled from the samples' ID3v2 values ("Red Kettle", "Blue Hours", 2001, "Recorded
// live", Rock) with title; tracked: the comment cut to 28 and track 7 kept, as in sampleTrailer().
QByteArray filledSampleTrailer(const QByteArray &title, bool tracked);

// Runs a program to its end; false (with the reason printed) when it could not or failed.
bool run(const QString &program, const QStringList &arguments);

// Real files written by real tools into folder: "lame.mp3" (lame's own ID3v2 and ID3v1.1 track 7),
// "id3v2.mp3" (ID3v2.3 by id3v2) and "mid3v2.mp3" (ID3v2.4 by mutagen's mid3v2), each with title
// "Evening Walk", artist "Red Kettle", album "Blue Hours", year 2001, comment "Recorded live" and
// genre Rock. Empty when a tool failed.
QList<QByteArray> realFiles(const QByteArray &folder);

}  // namespace Id3v2Files
