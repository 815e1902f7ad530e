#pragma once
// Writing the fields of a save into an ID3v2.3 or ID3v2.4 tag without losing anything else: the
// frames the save writes are replaced where they stand (or added at the end of the frames), and
// every other byte of the tag stays as it was: the other frames (cover art, private and unknown
// frames, other comments) in their order, the version, the flags, the extended header (only a
// version 3 header's padding size follows the padding), the footer. A tag that cannot be kept
// whole is refused with the reason, and the file is then left as it is.
//
// Text is written so that every reader takes it the same way: ISO-8859-1 when it fits, else UTF-16
// with a byte-order mark (version 3) or UTF-8 (version 4). A field given empty drops its frame.

#include <QByteArray>
#include <QString>

#include <optional>

namespace Id3v2 {

// The values a save writes. A field left unset keeps its frame as it is.
struct TagUpdate {
    std::optional<QString> title, artist, album;
    std::optional<QString> year;     // TYER in version 3, TDRC in version 4
    std::optional<QString> comment;  // the first comment with an empty description, or a new one ("eng")
    std::optional<QString> genre;    // by name
    std::optional<int> track;        // 0 drops the frame; an old "n/total" keeps its total
    bool isEmpty() const { return !title && !artist && !album && !year && !comment && !genre && !track; }
};

struct RewrittenTag {
    QByteArray tag;        // header to footer; empty when refused
    QString refusal;       // why the tag cannot be written whole; empty when it can
    bool inPlace = false;  // as long as the old tag: written over it, the rest of the file untouched
};

// A tag that must grow is given this much padding, so that the next saves fit in it.
constexpr int GrowthPadding = 1024;

// oldTag: the tag from "ID3" to its last byte (footer included), as its header counts them.
RewrittenTag rewriteTag(const QByteArray &oldTag, const TagUpdate &update);

}  // namespace Id3v2
