#include "tags/id3v2/Id3v2Fill.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"

namespace {

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

const QStringList &genreNames()
{
    static const QStringList names = Genres::buildGenreList();
    return names;
}

int genreNumber(const QString &name)
{
    const QStringList &genres = genreNames();
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
    for (const TagFieldInfo &field : textFields()) {
        QString value = withoutTrailingSpace(v2.*field.id3v2);
        if (field.field == TagField::Year)
            value = yearPart(value);
        if (!value.isEmpty() && (!tagged || value != trailerText(trailer.*field.bytes, page)))
            differing.push_back(field.field);
    }
    const QString genre = withoutTrailingSpace(v2.genre);
    if (!genre.isEmpty()
        && (!tagged || genre.compare(Genres::nameOf(genreNames(), trailer.genre), Qt::CaseInsensitive) != 0))
        differing.push_back(TagField::Genre);
    return differing;
}

Id3v2Fill fillFromId3v2(const Id3v1::Fields &base, const Id3v2Values &v2, const CodePage &page, int commentWidth)
{
    Id3v2Fill fill;
    fill.fields = base;
    for (const TagFieldInfo &field : textFields()) {
        QString value = withoutTrailingSpace(v2.*field.id3v2);
        if (field.field == TagField::Year)
            value = yearPart(value);
        if (value.isEmpty())
            continue;
        bool cut = false;
        const int width = field.field == TagField::Comment ? commentWidth : field.width;
        const QByteArray bytes = fitted(value, page, width, cut);
        QByteArray &stored = fill.fields.*field.bytes;
        // Text the field already shows keeps its bytes: padding, a track number, nothing rewritten.
        if (page.encode(trailerText(stored, page)) != bytes)
            stored = bytes;
        fill.filled.push_back(field.field);
        if (cut)
            fill.cut.push_back(field.field);
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

Id3v2::TagUpdate id3v2Update(const QByteArray &trailerBefore, const QByteArray &trailerAfter, const Id3v2Values &v2,
                             const CodePage &page, quint32 writes, const WholeTexts *whole)
{
    const bool taggedBefore = Id3v1::hasMarker(trailerBefore);
    const Id3v1::Fields before = taggedBefore ? Id3v1::parse(trailerBefore) : Id3v1::Fields{};
    const Id3v1::Fields after = Id3v1::parse(trailerAfter);
    Id3v2::TagUpdate update;
    std::optional<QString> *targets[] = {&update.title, &update.artist, &update.album, &update.year, &update.comment};
    for (size_t i = 0; i < textFields().size(); ++i) {
        const TagFieldInfo &field = textFields()[i];
        if (!(writes & id3v2Bit(field.field)))
            continue;
        const std::optional<QString> given = whole ? (*whole)[size_t(field.field)] : std::nullopt;
        const QString now = given ? *given : trailerText(after.*field.bytes, page);
        const QString old = taggedBefore ? trailerText(before.*field.bytes, page) : QString();
        const QString held = withoutTrailingSpace(v2.*field.id3v2);
        const bool heldWhole = held == now || (field.field == TagField::Year ? yearPart(held) == now
                                                                              : held.startsWith(now) && !page.fits(held, field.width));
        if (now != old ? now != held : !now.isEmpty() && !heldWhole)
            *targets[i] = now;
    }
    if (writes & id3v2Bit(TagField::Genre)) {
        const QString now = Genres::nameOf(genreNames(), after.genre);
        const QString held = withoutTrailingSpace(v2.genre);
        const bool changed = !taggedBefore || before.genre != after.genre;
        if (now.compare(held, Qt::CaseInsensitive) != 0 && (changed || !now.isEmpty()))
            update.genre = now;
    }
    const int trackBefore = taggedBefore ? Id3v1::trackNumber(trailerBefore) : 0;
    const int trackAfter = Id3v1::trackNumber(trailerAfter);
    if ((writes & id3v2Bit(TagField::Track)) && trackBefore != trackAfter)
        update.track = trackAfter;
    return update;
}
