#pragma once
// The ID3v1 trailer: the last 128 bytes of an MP3 file.
//
//   offset  0  "TAG"
//           3  title    30
//          33  artist   30
//          63  album    30
//          93  year      4
//          97  comment  30
//         127  genre     1 (unsigned)

#include <QByteArray>

namespace Id3v1 {

constexpr int TrailerSize = 128;
constexpr int TitleWidth = 30, ArtistWidth = 30, AlbumWidth = 30, YearWidth = 4, CommentWidth = 30;
// The genre byte of a trailer that names no genre.
constexpr quint8 NoGenre = 255;
constexpr int TitleOffset = 3, ArtistOffset = 33, AlbumOffset = 63, YearOffset = 93,
              CommentOffset = 97, GenreOffset = 127;

// Raw code-page bytes of each field.
struct Fields {
    QByteArray title, artist, album, year, comment;
    quint8 genre = 0;
    bool operator==(const Fields &) const = default;
};

// At least 3 bytes, beginning with "TAG" exactly (letter case counts).
bool hasMarker(const QByteArray &trailer);

// Splits a 128-byte trailer (whether or not it has the marker). Each text field loses its
// trailing spaces (0x20 only); NUL bytes and whatever follows them stay. A shorter buffer gives
// empty fields for what it lacks.
Fields parse(const QByteArray &trailer);
// The same straight from 128 bytes.
Fields parse(const char *trailer);

// How many of a field's width bytes remain once its trailing spaces are removed.
int trimmedLength(const char *text, int width);

// ID3v1.1: a comment whose byte 28 is NUL and byte 29 is not holds a track number in byte 29.
constexpr int TrackMarkerOffset = CommentOffset + 28, TrackOffset = CommentOffset + 29;
// The comment's width beside a track number (ID3v1.1): the bytes before the marker.
constexpr int CommentBesideTrackWidth = TrackMarkerOffset - CommentOffset;
// A track number is one byte; 0 means none.
constexpr int MaxTrack = 255;
// The track number of a 128-byte trailer (1 to MaxTrack), or 0 when it holds none.
int trackNumber(const QByteArray &trailer);

// "TAG", each field padded with spaces to its width (a longer one cut to its width), then the
// genre byte: always 128 bytes.
QByteArray build(const Fields &fields);

}  // namespace Id3v1
