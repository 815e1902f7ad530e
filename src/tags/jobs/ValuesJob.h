#pragma once
// Values for Every File: the same values written into every file. The window's page gives them as
// text, planned like every folder job (each file's text encoded in the chosen page); the command
// line's `set` gives them as the bytes to store (escapes reach bytes no page maps), may fill the
// fields from each file's ID3v2 tag first, and lets a track number give way to a longer comment.

#include "tags/id3v1/Id3v1.h"
#include "tags/id3v1/TagFields.h"
#include "tags/jobs/FolderJob.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

class CodePage;

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char ValuesJobTitle[] = "Values for Every File";

// The planner of the window's Values for Every File: the same text edits for every file.
JobPlanner valuesPlanner(const FieldEdits &edits);

// The values as bytes to store, by field.
struct FieldChanges {
    std::array<std::optional<QByteArray>, TextFieldCount> texts;  // code-page bytes, by TagField
    std::optional<quint8> genre;

    bool any() const { return genre || std::any_of(texts.begin(), texts.end(), [](const auto &t) { return bool(t); }); }
    void applyTo(Id3v1::Fields &fields) const;
    quint32 fields() const;  // one bit for each field given (id3v2Bit, Id3v2Fill.h)
};

// What the values make of one file.
struct ValuesPlan {
    bool change = false;     // the fields differ from the trailer read (or the file has none)
    Id3v1::Fields before;    // the fields read: empty fields and no genre for an untagged file
    Id3v1::Fields fields;    // what to save
    QStringList notes;       // said about the file, which is still written
    QString failure;         // the file cannot be planned: left as it is, with this reason
};

// The plan for a file read as reading (at path): with fromV2 its ID3v2 tag fills the fields first,
// each value cut to what its field holds in page (said in a note), and the changes win over it; a
// file without an ID3v2 tag is then left alone unless there are changes too. An ID3v1.1 track
// number is kept beside a comment that fits in 28 bytes and gives way to a longer one (a note).
ValuesPlan planValues(const QByteArray &path, const TagReading &reading, const FieldChanges &changes, bool fromV2,
                      const CodePage &page);

// The same changes applied again to the trailer found under the file's lock, when another program
// has saved the file since it was read: its change is kept beside ours.
Id3v1::Fields replanValues(const QByteArray &trailerNow, const FieldChanges &changes);
