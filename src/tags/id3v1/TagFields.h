#pragma once
// Every field of a tag once: its bytes in the trailer and its name in each part of the program.
// Lists of fields and their texts, widths and members are read from here, never written again.

#include "tags/id3v1/Id3v1.h"
#include "tags/id3v2/Id3v2Reader.h"

#include <span>

// In the order of a job preview's columns. Name is the file's name, which a rename job changes.
enum class TagField { Title, Artist, Album, Year, Comment, Track, Genre, Name };
constexpr int TagFieldCount = 8;

struct TagFieldInfo {
    TagField field;
    int offset, width;  // its bytes in the trailer (the comment's last two shared with a track
                        // number, see Id3v1::CommentBesideTrackWidth); none (0) for the name
    const char *label;   // the window's box: "Song Name" (caption "Song Name:"); none: no box
    int windowRow;       // the box's row in the window, -1 for none
    const char *column;  // the preview's column heading: "Title"
    const char *key;     // the command line's and JSON's name: "title"
    const char *option;  // set's option: "--title"; none where set has none
    QByteArray Id3v1::Fields::*bytes;  // the text fields' bytes; none for the others
    QString Id3v2Values::*id3v2;       // its value in the ID3v2 tag; none for the track and name
    const char *frames[2];             // the ID3v2 frames it is read from, the first preferred
};

// Every field, in TagField's order.
std::span<const TagFieldInfo, TagFieldCount> tagFields();
inline const TagFieldInfo &tagField(TagField field) { return tagFields()[size_t(field)]; }

// The text fields (those with bytes in Id3v1::Fields): title, artist, album, year, comment.
constexpr int TextFieldCount = 5;
inline std::span<const TagFieldInfo, TextFieldCount> textFields() { return tagFields().first<TextFieldCount>(); }
inline bool isTextField(TagField field) { return tagField(field).bytes != nullptr; }

// The name of a field as the command line and messages give it: "title", "artist", ...
inline const char *fieldName(TagField field) { return tagField(field).key; }
