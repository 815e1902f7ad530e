#pragma once
// The frames of an ID3v2 tag that matter to the trailer, taken out of a tag of any shape before a
// tag library sees them: the walk checks every length against what is there, leaves out compressed
// and encrypted frames (whose decompression has no bound), undoes a whole-tag unsynchronisation,
// and drops the extended header and the footer. What comes out is a plain tag of the same version
// holding only those frames.

#include <QByteArray>
#include <QString>

namespace Id3v2 {

// tag: the bytes from "ID3" on (header and body; a footer may follow, it is not read). Returns
// the plain tag, or empty bytes with problem set when the tag cannot be read at all.
QByteArray textFramesOf(const QByteArray &tag, QString &problem);

// A frame compressed or encrypted, by its format flags (the second flags byte; none in version 2).
bool isSealed(int major, quint8 formatFlags);

// What a frame holds after its header, as plain bytes: the group byte and the data length that
// the flags announce skipped, a version 4 frame's own unsynchronisation undone; only the start of
// a long frame (a few bytes more than a text is ever read of). Empty when nothing is left.
QByteArray frameData(int major, quint8 formatFlags, const char *data, qsizetype size);

}  // namespace Id3v2
