#pragma once
// The trailer's fields beside the ID3v2 values: which of them differ, and the trailer filled from
// the ID3v2 values, each cut to what its field holds in the tags' code page.

#include "tags/id3v1/TagFields.h"
#include "tags/id3v2/Id3v2Reader.h"
#include "tags/id3v2/Id3v2Writer.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

class CodePage;

// Texts a save writes whole into the ID3v2 tag where the trailer holds them cut to fit, by TagField.
using WholeTexts = std::array<std::optional<QString>, TextFieldCount>;

// The fields whose ID3v2 value is given (not empty) and is not what the trailer's field shows:
// its text up to the first NUL without trailing spaces, in page; the year as the first four
// characters of a recording date; the genre by name, in any letter case. tagged: the trailer
// exists (an untagged file's fields all differ from a given value).
std::vector<TagField> differingFields(const Id3v1::Fields &trailer, bool tagged, const Id3v2Values &v2,
                                      const CodePage &page);

struct Id3v2Fill {
    Id3v1::Fields fields;
    std::vector<TagField> filled;  // took the ID3v2 value (even an equal one)
    std::vector<TagField> cut;     // could not take it whole: too long, a character the page
                                   // lacks, or a genre that is not in the table (kept as it was)
};

// base with every field that has an ID3v2 value replaced by that value in page's bytes, cut to
// the field's width (commentWidth for the comment: 28 keeps a track number's bytes free). Fields
// without an ID3v2 value keep base's bytes.
Id3v2Fill fillFromId3v2(const Id3v1::Fields &base, const Id3v2Values &v2, const CodePage &page,
                        int commentWidth = Id3v1::CommentWidth);

// The fields named in writes (one bit for each TagField) as a save writes them into the ID3v2 tag
// beside its trailer: a field is written when the save changes it in the trailer, or when its new
// text is given and is not what the ID3v2 tag holds; an ID3v2 value too long for the field that
// begins with the trailer's text (the trailer holds its start) and a recording date of the year
// stay. The track number is written only when the save changes it. trailerBefore and trailerAfter:
// the last 128 bytes before and after the save (empty or without "TAG": no trailer). A field of
// whole is written as given there, in place of the trailer's cut text.
Id3v2::TagUpdate id3v2Update(const QByteArray &trailerBefore, const QByteArray &trailerAfter, const Id3v2Values &v2,
                             const CodePage &page, quint32 writes, const WholeTexts *whole = nullptr);

// Every field a save can write to the ID3v2 tag.
constexpr quint32 AllId3v2Fields = 0x7F;
constexpr quint32 id3v2Bit(TagField field) { return 1u << int(field); }
