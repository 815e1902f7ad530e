#include "tags/id3v1/Id3v1.h"

#include "tags/id3v1/TagFields.h"

namespace Id3v1 {

namespace {

QByteArray field(const char *trailer, int offset, int width)
{
    return QByteArray(trailer + offset, trimmedLength(trailer + offset, width));
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

int trimmedLength(const char *text, int width)
{
    while (width > 0 && text[width - 1] == ' ')
        --width;
    return width;
}

Fields parse(const char *trailer)
{
    Fields f;
    for (const TagFieldInfo &text : textFields())
        f.*text.bytes = field(trailer, text.offset, text.width);
    f.genre = quint8(trailer[GenreOffset]);
    return f;
}

Fields parse(const QByteArray &trailer)
{
    if (trailer.size() >= TrailerSize)
        return parse(trailer.constData());
    // Spaces in place of the missing bytes are trimmed away again; the genre byte is missing.
    Fields f = parse(trailer.leftJustified(TrailerSize, ' ').constData());
    f.genre = 0;
    return f;
}

int trackNumber(const QByteArray &trailer)
{
    if (trailer.size() != TrailerSize || trailer.at(TrackMarkerOffset) != '\0')
        return 0;
    return quint8(trailer.at(TrackOffset));
}

QByteArray build(const Fields &fields)
{
    QByteArray out;
    out.reserve(TrailerSize);
    out.append("TAG");
    for (const TagFieldInfo &text : textFields())  // one after another, in the trailer's order
        put(out, fields.*text.bytes, text.width);
    out.append(char(fields.genre));
    return out;
}

}  // namespace Id3v1
