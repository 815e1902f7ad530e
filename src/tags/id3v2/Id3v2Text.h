#pragma once
// The text of an ID3v2 text frame (T...) or comment frame (COMM, COM) read as the well-kept readers
// read it, and written back in one plain form that any tag library reads the same way:
//
// - UTF-16 (encoding 1) without a byte-order mark: the order is guessed from where the zero bytes
//   of Latin letters fall, little-endian when nothing tells (as mutagen reads it; id3lib reads
//   big-endian);
// - a byte-order mark opening a value, in any encoding, is taken as one and never kept in the text
//   (a mark against encoding 2's big-endian order is followed);
// - an encoding byte above 3 is read as UTF-8 when the bytes are valid UTF-8, else as Latin-1;
// - a last odd byte of UTF-16 is dropped.
//
// The text is cut to MaxTextUnits UTF-16 code units (never inside a surrogate pair), so that what a
// tag library does with it is bounded whatever the frame's length.

#include <QByteArray>
#include <QStringList>

namespace Id3v2 {

// More than any field shows: a few KB.
constexpr int MaxTextUnits = 4096;

// The values of a frame's text part (after the encoding byte, and for a comment after the
// language), split where the encoding's terminator is; at most MaxTextUnits code units in all. At
// most maxBytes of text are looked at.
QStringList decodeText(quint8 encoding, const char *text, qsizetype size);

// Contents of a text frame holding values: encoding 1, each non-empty value little-endian after its
// own byte-order mark, values separated by a 16-bit terminator.
QByteArray textFrameContents(const QStringList &values);

// Contents of a comment frame: encoding 1, language, description, terminator, text.
QByteArray commentFrameContents(const QByteArray &language, const QString &description, const QString &text);

}  // namespace Id3v2
