#pragma once
// The ten bytes that open an ID3v2 tag at the start of an MP3 file:
//
//   "ID3", major version, revision, flags, size (four bytes of seven bits each)
//
// The size counts the bytes after the header (extended header, frames, padding); a footer of ten
// more bytes follows when flag 0x10 is set (version 4).

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace Id3v2 {

constexpr int HeaderSize = 10;
constexpr quint8 UnsynchronisedFlag = 0x80;
constexpr quint8 ExtendedHeaderFlag = 0x40;  // version 2: the whole tag is compressed
constexpr quint8 FooterFlag = 0x10;

struct Header {
    int major = 0;  // 2, 3 or 4
    int revision = 0;
    quint8 flags = 0;
    qint64 bodySize = 0;   // after the header: extended header, frames and padding
    qint64 totalSize() const { return HeaderSize + bodySize + (major == 4 && (flags & FooterFlag) ? HeaderSize : 0); }
};

// The header at head (HeaderSize bytes), or nothing when they do not open an ID3v2.2, 2.3 or 2.4
// tag: no "ID3", another version, or a size byte with its high bit set.
std::optional<Header> parseHeader(const char *head);

// Four bytes of seven bits each, most significant first.
quint32 syncSafe(const uchar *bytes);
// value (below 2^28) as those four bytes.
QByteArray syncSafeBytes(qint64 value);

// A frame's size from its header's size bytes: three plain bytes in version 2, four in version 3,
// four of seven bits in version 4.
qint64 frameSize(int major, const uchar *sizeBytes);

// A frame id is capital letters and digits only (anything else ends the frames: padding or junk).
bool isFrameId(const uchar *id, int idSize);

// Where the frames begin in body (the bytes after the header, resynchronised when the whole tag
// is): after the extended header, if any; -1 when it does not fit.
qsizetype framesStart(const Header &header, QByteArrayView body);

// A frame header with no flags set: id (3 or 4 letters by version) and size.
void appendFrameHeader(QByteArray &to, int major, const char *id, qsizetype size);

}  // namespace Id3v2
