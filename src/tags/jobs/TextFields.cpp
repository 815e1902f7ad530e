#include "tags/jobs/TextFields.h"

#include "tags/codepage/CodePage.h"
#include "tags/text/TextEscape.h"

#include <utility>

namespace {

constexpr TagField textFields[] = {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Comment};

}  // namespace

std::optional<TagField> textFieldNamed(QStringView name)
{
    for (TagField field : textFields) {
        if (name.compare(QLatin1String(fieldName(field)), Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

JobField jobFieldOf(TagField field)
{
    switch (field) {
    case TagField::Title: return JobField::Title;
    case TagField::Artist: return JobField::Artist;
    case TagField::Album: return JobField::Album;
    case TagField::Year: return JobField::Year;
    case TagField::Comment: return JobField::Comment;
    case TagField::Genre: break;
    }
    return JobField::Genre;
}

std::optional<QString> *editOf(FieldEdits &edits, TagField field)
{
    return const_cast<std::optional<QString> *>(editOf(std::as_const(edits), field));
}

const std::optional<QString> *editOf(const FieldEdits &edits, TagField field)
{
    switch (field) {
    case TagField::Title: return &edits.title;
    case TagField::Artist: return &edits.artist;
    case TagField::Album: return &edits.album;
    case TagField::Year: return &edits.year;
    case TagField::Comment: return &edits.comment;
    case TagField::Genre: break;
    }
    return nullptr;
}

QString controlCharacterProblem(QStringView text)
{
    for (QChar c : text) {
        if (TextEscape::isControl(c.unicode()))
            return QStringLiteral("holds a control character (U+%1)")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
    }
    return {};
}

bool refuseControlCharacters(const FieldEdits &edits, QString &reason)
{
    for (TagField field : textFields) {
        if (const std::optional<QString> &text = *editOf(edits, field); text) {
            if (const QString problem = controlCharacterProblem(*text); !problem.isEmpty()) {
                reason = QLatin1String(fieldName(field)) + QStringLiteral(": ") + problem;
                return false;
            }
        }
    }
    return true;
}

JobPlanner valuesPlanner(const FieldEdits &edits)
{
    return [edits](const JobFile &, const TagReading &, FieldEdits &out, QString &reason) {
        out = edits;
        return refuseControlCharacters(out, reason);
    };
}

QString fieldText(const TagReading &reading, TagField field, const CodePage &page)
{
    if (!reading.tagged)
        return {};
    switch (field) {
    case TagField::Title: return page.decode(reading.fields.title);
    case TagField::Artist: return page.decode(reading.fields.artist);
    case TagField::Album: return page.decode(reading.fields.album);
    case TagField::Year: return page.decode(reading.fields.year);
    case TagField::Comment: return page.decode(storedComment(reading));
    case TagField::Genre: break;
    }
    return {};
}
