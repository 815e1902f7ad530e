#include "tags/jobs/RenameJob.h"

#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/jobs/TextFields.h"
#include "tags/trailer/NameBuilder.h"

#include <algorithm>

QByteArray proposedNameOf(const TagReading &reading, bool longNames, const CodePage &page)
{
    if (!reading.tagged)
        return QByteArray();
    return proposeFileName(page.decode(reading.fields.title), page.decode(reading.fields.artist), longNames, QString())
        .toUtf8();
}

JobPlanner renamePlanner(bool longNames, const CodePage &page)
{
    const CodePage *decoding = &page;  // the pages live as long as the program
    return [longNames, decoding](const JobFile &, const TagReading &reading, FieldEdits &edits, QString &) {
        if (const QByteArray name = proposedNameOf(reading, longNames, *decoding); !name.isEmpty())
            edits.newName = name;
        return true;
    };
}

QString renamePatternProblem(const NamePattern &pattern)
{
    if (!pattern.isValid())
        return pattern.problem();
    if (pattern.names(NameField::Ignored))
        return QStringLiteral("%x has nothing to write in a name");
    if (pattern.text().contains(u'/'))
        return QStringLiteral("a file name cannot contain \"/\"");
    return {};
}

int trackDigits(const std::vector<TagReading> &readings)
{
    const bool above99 = std::any_of(readings.begin(), readings.end(), [](const TagReading &r) { return r.track() > 99; });
    return above99 ? 3 : 2;
}

std::optional<QByteArray> patternNameOf(const NamePattern &pattern, const JobFile &file, const TagReading &reading,
                                        int digits, const CodePage &page, QString &reason)
{
    if (!reading.tagged) {
        reason = QStringLiteral("has no tag to name it by");
        return std::nullopt;
    }
    static const QStringList genres = Genres::buildGenreList();
    NameValues values;
    for (const NameField field : pattern.fieldsInOrder()) {
        QString value;
        if (field == NameField::Track)
            value = reading.track() ? QStringLiteral("%1").arg(reading.track(), digits, 10, QLatin1Char('0')) : QString();
        else if (field == NameField::Genre)
            value = Genres::nameOf(genres, reading.fields.genre);
        else  // the pattern's text fields are the tag's, in TagField's order (see nameJobFields)
            value = fieldText(reading, TagField(int(field)), page).trimmed();
        if (value.isEmpty()) {
            reason = QStringLiteral("no name: the %1 is empty").arg(QLatin1String(nameFieldName(field)));
            return std::nullopt;
        }
        values[field] = value;
    }
    const qsizetype dot = file.name.lastIndexOf('.');
    return pattern.compose(values).toUtf8() + (dot > 0 ? file.name.mid(dot) : QByteArray());
}

JobPlanner patternRenamePlanner(const NamePattern &pattern, int digits, const CodePage &page)
{
    const CodePage *decoding = &page;  // the pages live as long as the program
    return [pattern, digits, decoding](const JobFile &file, const TagReading &reading, FieldEdits &edits,
                                       QString &reason) {
        const std::optional<QByteArray> name = patternNameOf(pattern, file, reading, digits, *decoding, reason);
        if (name)
            edits.newName = *name;
        return name.has_value();
    };
}
