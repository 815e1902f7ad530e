#include "tags/trailer/TagRecord.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/trailer/TagCore.h"

TagRecord tagRecordOf(const TagReading &reading, const QStringList &genreList, const CodePage &page)
{
    TagRecord tag;
    if (!reading.tagged)
        return tag;
    tag.Title = page.decode(reading.fields.title);
    tag.Artist = page.decode(reading.fields.artist);
    tag.Album = page.decode(reading.fields.album);
    tag.Year = page.decode(reading.fields.year);
    tag.Comment = page.decode(reading.fields.comment);
    tag.Genre = Genres::nameOf(genreList, reading.fields.genre);
    return tag;
}
