#include "tags/jobs/NameJob.h"

#include "tags/id3v1/GenreList.h"
#include "tags/jobs/TextFields.h"


bool nameEdits(const NamePattern &pattern, const QString &fileName, bool underscores, FieldEdits &edits,
               QString &reason)
{
    QString why;
    const std::optional<NameValues> values = pattern.match(baseNameOf(fileName), underscores, &why);
    if (!values) {
        reason = QStringLiteral("does not match: ") + why;
        return false;
    }
    const NameValues &v = *values;
    edits = {};
    edits.title = v[NameField::Title];
    edits.artist = v[NameField::Artist];
    edits.album = v[NameField::Album];
    edits.year = v[NameField::Year];
    edits.comment = v[NameField::Comment];
    if (!refuseControlCharacters(edits, reason))
        return false;
    if (v[NameField::Track])
        edits.track = v[NameField::Track]->toInt();
    if (const std::optional<QString> &genre = v[NameField::Genre]) {
        static const QStringList genres = Genres::buildGenreList();
        qsizetype number = genres.size() - 1;
        while (number >= 0 && genres.at(number).compare(*genre, Qt::CaseInsensitive) != 0)
            --number;
        if (number < 0) {
            reason = QStringLiteral("genre: \"%1\" is not in the genre table").arg(*genre);
            return false;
        }
        edits.genre = quint8(number);
    }
    return true;
}

JobPlanner nameJobPlanner(const NamePattern &pattern, bool underscores)
{
    return [pattern, underscores](const JobFile &file, const TagReading &, FieldEdits &edits, QString &reason) {
        return nameEdits(pattern, file.display, underscores, edits, reason);
    };
}

std::vector<TagField> nameJobFields(const NamePattern &pattern)
{
    // A pattern's codes name the tag's fields in TagField's order.
    static_assert(int(NameField::Title) == int(TagField::Title) && int(NameField::Track) == int(TagField::Track)
                  && int(NameField::Genre) == int(TagField::Genre));
    std::vector<TagField> fields;
    for (const NameField code : pattern.fieldsInOrder())
        fields.push_back(TagField(int(code)));
    return fields;
}
