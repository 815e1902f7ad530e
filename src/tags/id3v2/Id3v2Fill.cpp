#include "tags/id3v2/Id3v2Fill.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"

namespace {

constexpr TagField textFields[] = {TagField::Title, TagField::Artist, TagField::Album, TagField::Year,
                                   TagField::Comment};

QByteArray Id3v1::Fields::*bytesOf(TagField field)
{
    switch (field) {
    case TagField::Title: return &Id3v1::Fields::title;
    case TagField::Artist: return &Id3v1::Fields::artist;
    case TagField::Album: return &Id3v1::Fields::album;
    case TagField::Year: return &Id3v1::Fields::year;
    default: return &Id3v1::Fields::comment;
    }
}

QString withoutTrailingSpace(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

// A recording date "2001-05-03" gives its year; any other text stays as it is.
QString yearPart(const QString &text)
{
    if (text.size() > 4 && text.left(4).toUInt() > 0 && !text.at(4).isDigit())
        return text.left(4);
    return text;
}

// text in page's bytes, cut at a character boundary to width bytes at most.
QByteArray fitted(const QString &text, const CodePage &page, int width, bool &cut)
{
    qsizetype characters = text.size();
    QByteArray bytes = page.encode(text);
    cut = !page.canEncode(text);
    while (bytes.size() > width) {
        cut = true;
        characters = std::min(characters - 1, qsizetype(width));
        if (characters > 0 && text.at(characters - 1).isHighSurrogate())
            --characters;
        bytes = page.encode(text.left(characters));
    }
    return bytes;
}

int genreNumber(const QString &name)
{
    const QStringList genres = Genres::buildGenreList();
    for (int i = 0; i < genres.size(); ++i) {
        if (genres.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString trailerText(const QByteArray &bytes, const CodePage &page)
{
    const qsizetype nul = bytes.indexOf('\0');
    return withoutTrailingSpace(page.decode(nul < 0 ? bytes : bytes.left(nul)));
}

}  // namespace

std::vector<TagField> differingFields(const Id3v1::Fields &trailer, bool tagged, const Id3v2Values &v2,
                                      const CodePage &page)
{
    std::vector<TagField> differing;
    for (TagField field : textFields) {
        QString value = withoutTrailingSpace(valueOf(v2, field));
        if (field == TagField::Year)
            value = yearPart(value);
        if (!value.isEmpty() && (!tagged || value != trailerText(trailer.*bytesOf(field), page)))
            differing.push_back(field);
    }
    const QString genre = withoutTrailingSpace(v2.genre);
    if (!genre.isEmpty()
        && (!tagged || genre.compare(Genres::nameOf(Genres::buildGenreList(), trailer.genre), Qt::CaseInsensitive) != 0))
        differing.push_back(TagField::Genre);
    return differing;
}

Id3v2Fill fillFromId3v2(const Id3v1::Fields &base, const Id3v2Values &v2, const CodePage &page, int commentWidth)
{
    const int widths[] = {Id3v1::TitleWidth, Id3v1::ArtistWidth, Id3v1::AlbumWidth, Id3v1::YearWidth, commentWidth};
    Id3v2Fill fill;
    fill.fields = base;
    for (int i = 0; i < 5; ++i) {
        const TagField field = textFields[i];
        QString value = withoutTrailingSpace(valueOf(v2, field));
        if (field == TagField::Year)
            value = yearPart(value);
        if (value.isEmpty())
            continue;
        bool cut = false;
        const QByteArray bytes = fitted(value, page, widths[i], cut);
        QByteArray &stored = fill.fields.*bytesOf(field);
        // Text the field already shows keeps its bytes: padding, a track number, nothing rewritten.
        if (page.encode(trailerText(stored, page)) != bytes)
            stored = bytes;
        fill.filled.push_back(field);
        if (cut)
            fill.cut.push_back(field);
    }
    const QString genre = withoutTrailingSpace(v2.genre);
    if (!genre.isEmpty()) {
        const int number = genreNumber(genre);
        if (number < 0) {
            fill.cut.push_back(TagField::Genre);
        } else {
            fill.fields.genre = quint8(number);
            fill.filled.push_back(TagField::Genre);
        }
    }
    return fill;
}

const QString &valueOf(const Id3v2Values &v2, TagField field)
{
    switch (field) {
    case TagField::Title: return v2.title;
    case TagField::Artist: return v2.artist;
    case TagField::Album: return v2.album;
    case TagField::Year: return v2.year;
    case TagField::Comment: return v2.comment;
    default: return v2.genre;
    }
}

const char *fieldName(TagField field)
{
    static const char *const names[] = {"title", "artist", "album", "year", "comment", "genre"};
    return names[int(field)];
}
