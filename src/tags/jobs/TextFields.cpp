#include "tags/jobs/TextFields.h"

#include "tags/codepage/CodePage.h"

std::optional<TagField> textFieldNamed(QStringView name)
{
    for (TagField field : {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Comment}) {
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
