#include "tags/id3v1/TagFields.h"

namespace {

using namespace Id3v1;
using F = Fields;
using V = Id3v2Values;

const TagFieldInfo table[TagFieldCount] = {
    {TagField::Title, TitleOffset, TitleWidth, "Song Name", 0, "Title", "title", "--title", &F::title,
     &V::title, {"TIT2"}},
    {TagField::Artist, ArtistOffset, ArtistWidth, "Artist", 1, "Artist", "artist", "--artist", &F::artist,
     &V::artist, {"TPE1"}},
    {TagField::Album, AlbumOffset, AlbumWidth, "Album Name", 2, "Album", "album", "--album", &F::album,
     &V::album, {"TALB"}},
    {TagField::Year, YearOffset, YearWidth, "Year", 3, "Year", "year", "--year", &F::year, &V::year,
     {"TDRC", "TYER"}},
    {TagField::Comment, CommentOffset, CommentWidth, "Comment", 4, "Comment", "comment",
     "--comment", &F::comment, &V::comment, {"COMM"}},
    {TagField::Track, TrackOffset, 1, nullptr, -1, "Track", "track", nullptr, nullptr, nullptr, {"TRCK"}},
    {TagField::Genre, GenreOffset, 1, "Genre", 5, "Genre", "genre", "--genre", nullptr, &V::genre, {"TCON"}},
    {TagField::Name, 0, 0, nullptr, -1, "Name", "name", nullptr, nullptr, nullptr, {}},
};

static_assert(TrackOffset == CommentOffset + CommentWidth - 1, "the track number is the comment's last byte");

}  // namespace

std::span<const TagFieldInfo, TagFieldCount> tagFields() { return std::span<const TagFieldInfo, TagFieldCount>(table); }
