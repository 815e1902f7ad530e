#include "tags/jobs/ValuesJob.h"

#include "tags/jobs/TextFields.h"
#include "tags/id3v1/TrackKeeping.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/trailer/TagCore.h"

JobPlanner valuesPlanner(const FieldEdits &edits)
{
    return [edits](const JobFile &, const TagReading &, FieldEdits &out, QString &reason) {
        out = edits;
        return refuseControlCharacters(out, reason);
    };
}

void FieldChanges::applyTo(Id3v1::Fields &fields) const
{
    for (const TagFieldInfo &field : textFields())
        if (const std::optional<QByteArray> &text = texts[size_t(field.field)])
            fields.*field.bytes = *text;
    if (genre)
        fields.genre = *genre;
}

quint32 FieldChanges::fields() const
{
    quint32 bits = genre ? id3v2Bit(TagField::Genre) : 0;
    for (const TagFieldInfo &field : textFields())
        if (texts[size_t(field.field)])
            bits |= id3v2Bit(field.field);
    // A comment that needs the track number's bytes clears the number.
    if (texts[size_t(TagField::Comment)])
        bits |= id3v2Bit(TagField::Track);
    return bits;
}

namespace {

// What a file's fields are before the values: an untagged file starts from empty fields and no genre.
Id3v1::Fields startFields(const QByteArray &trailer)
{
    return Id3v1::hasMarker(trailer) ? Id3v1::parse(trailer) : Id3v1::Fields{{}, {}, {}, {}, {}, Id3v1::NoGenre};
}

// The changes applied to fields of the file whose last 128 bytes are trailer: a track number
// there is kept beside a comment that fits.
TrackKeeping withChanges(Id3v1::Fields fields, const QByteArray &trailer, const FieldChanges &changes)
{
    changes.applyTo(fields);
    return keepTrackNumber(fields, trailer);
}

enum class V2Fill { Filled, NoTag, Failed };

V2Fill fillFromV2(const QByteArray &path, const TagReading &reading, const CodePage &page, ValuesPlan &plan)
{
    if (!reading.id3v2Version) {
        plan.notes << QStringLiteral("no ID3v2 tag to fill from");
        return V2Fill::NoTag;
    }
    const Id3v2Reading v2 = Id3v2::readFile(path);
    if (!v2.status || !v2.present || !v2.problem.isEmpty()) {
        plan.failure = !v2.status              ? v2.status.description()
                       : v2.problem.isEmpty() ? QStringLiteral("the ID3v2 tag has gone")
                                              : v2.problem;
        return V2Fill::Failed;
    }
    // A track number keeps its two bytes: the comment is cut to 28.
    const int commentWidth = reading.track() ? Id3v1::CommentBesideTrackWidth : Id3v1::CommentWidth;
    const Id3v2Fill fill = fillFromId3v2(plan.fields, v2.values, page, commentWidth);
    plan.fields = fill.fields;
    if (!fill.cut.empty()) {
        QStringList names;
        for (TagField field : fill.cut)
            names += QLatin1String(fieldName(field));
        plan.notes << QStringLiteral("not stored whole from the ID3v2 tag (too long, a character the code page "
                                     "lacks, or a genre not in the table): %1")
                          .arg(names.join(QStringLiteral(", ")));
    }
    return V2Fill::Filled;
}

}  // namespace

ValuesPlan planValues(const QByteArray &path, const TagReading &reading, const FieldChanges &changes, bool fromV2,
                      const CodePage &page)
{
    ValuesPlan plan;
    plan.before = startFields(reading.trailer);
    plan.fields = plan.before;
    if (fromV2) {
        const V2Fill filled = fillFromV2(path, reading, page, plan);
        if (filled == V2Fill::Failed || (filled == V2Fill::NoTag && !changes.any()))
            return plan;
    }
    const TrackKeeping kept = withChanges(plan.fields, reading.trailer, changes);
    if (kept.trackGivenUp)
        plan.notes << QStringLiteral("the new comment needs more than 28 bytes: track number %1 gives way")
                          .arg(kept.track);
    plan.fields = kept.fields;
    plan.change = !(reading.tagged && Id3v1::build(plan.fields) == reading.trailer);
    return plan;
}

Id3v1::Fields replanValues(const QByteArray &trailerNow, const FieldChanges &changes)
{
    return withChanges(startFields(trailerNow), trailerNow, changes).fields;
}
