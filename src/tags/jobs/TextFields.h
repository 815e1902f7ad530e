#pragma once
// The text fields a job fills or changes (title, artist, album, year, comment): by name, as edits, and
// their text as a file holds it.

#include "tags/id3v2/Id3v2Fill.h"
#include "tags/jobs/FolderJob.h"

#include <QString>
#include <QStringView>

#include <optional>

class CodePage;

// A text field by its name as fieldName() gives it (letter case aside); none for any other name.
std::optional<TagField> textFieldNamed(QStringView name);

// The edit of a text field; nullptr for the others.
std::optional<QString> *editOf(FieldEdits &edits, TagField field);
const std::optional<QString> *editOf(const FieldEdits &edits, TagField field);

// "holds a control character (U+0009)" for text with one (C0, NUL too, DEL or C1), else empty.
QString controlCharacterProblem(QStringView text);

// Text from outside a file (a name, a list, a typed value) never brings a control character into a
// tag: false with reason "title: holds a control character (U+0009)" for the first field that has
// one.
bool refuseControlCharacters(const FieldEdits &edits, QString &reason);

// The field's text in the file as read, decoded in page: the comment without its track bytes; empty
// for a file without a trailer and for a field that is not text.
QString fieldText(const TagReading &reading, TagField field, const CodePage &page);
