#include "tags/jobs/TextFields.h"

#include "tags/codepage/CodePage.h"
#include "tags/text/TextEscape.h"

#include <utility>

std::optional<TagField> textFieldNamed(QStringView name)
{
    for (const TagFieldInfo &field : textFields()) {
        if (name.compare(QLatin1String(field.key), Qt::CaseInsensitive) == 0)
            return field.field;
    }
    return std::nullopt;
}

std::optional<QString> *editOf(FieldEdits &edits, TagField field)
{
    return const_cast<std::optional<QString> *>(editOf(std::as_const(edits), field));
}

const std::optional<QString> *editOf(const FieldEdits &edits, TagField field)
{
    // FieldEdits holds the text fields in TagField's order.
    static constexpr std::optional<QString> FieldEdits::*texts[TextFieldCount] = {
        &FieldEdits::title, &FieldEdits::artist, &FieldEdits::album, &FieldEdits::year, &FieldEdits::comment};
    return isTextField(field) ? &(edits.*texts[size_t(field)]) : nullptr;
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
    for (const TagFieldInfo &field : textFields()) {
        if (const std::optional<QString> &text = *editOf(edits, field.field); text) {
            if (const QString problem = controlCharacterProblem(*text); !problem.isEmpty()) {
                reason = QLatin1String(field.key) + QStringLiteral(": ") + problem;
                return false;
            }
        }
    }
    return true;
}

QString fieldText(const TagReading &reading, TagField field, const CodePage &page)
{
    if (!reading.tagged || !isTextField(field))
        return {};
    if (field == TagField::Comment)
        return page.decode(storedComment(reading));
    return page.decode(reading.fields.*tagField(field).bytes);
}
