#include "Id3v1.h"

namespace Id3v1 {

namespace {

QByteArray field(const QByteArray &trailer, int offset, int width)
{
    QByteArray text = trailer.mid(offset, width);
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == ' ')
        --end;
    text.truncate(end);
    return text;
}

void put(QByteArray &out, const QByteArray &text, int width)
{
    const QByteArray cut = text.left(width);
    out.append(cut);
    out.append(width - cut.size(), ' ');
}

}  // namespace

bool hasMarker(const QByteArray &trailer)
{
    return trailer.startsWith("TAG");
}

Fields parse(const QByteArray &trailer)
{
    Fields f;
    f.title = field(trailer, TitleOffset, TitleWidth);
    f.artist = field(trailer, ArtistOffset, ArtistWidth);
    f.album = field(trailer, AlbumOffset, AlbumWidth);
    f.year = field(trailer, YearOffset, YearWidth);
    f.comment = field(trailer, CommentOffset, CommentWidth);
    f.genre = trailer.size() > GenreOffset ? quint8(trailer.at(GenreOffset)) : 0;
    return f;
}

QByteArray build(const Fields &fields)
{
    QByteArray out;
    out.reserve(TrailerSize);
    out.append("TAG");
    put(out, fields.title, TitleWidth);
    put(out, fields.artist, ArtistWidth);
    put(out, fields.album, AlbumWidth);
    put(out, fields.year, YearWidth);
    put(out, fields.comment, CommentWidth);
    out.append(char(fields.genre));
    return out;
}

}  // namespace Id3v1
