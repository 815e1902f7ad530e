#pragma once
// Titles from a List: a text with one line per file (an album sleeve, a web page), the first line
// for the first file of the list and so on, each line filling one field.
//
// Blank lines (only whitespace or NULs) are dropped before the pairing (a sleeve's track list
// often has them between sides). A line that is left empty once its number and duration are
// removed still takes its file's place; that file is skipped, as is one whose line holds a control
// character.

#include "tags/jobs/TextFields.h"

#include <QStringList>

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char ListJobTitle[] = "Titles from a List";

struct ListOptions {
    TagField field = TagField::Title;
    bool dropNumbers = true;    // a leading "1.", "01 -", "1)", "A1"
    bool dropDurations = true;  // a trailing "3:45", "(3:45)", "[1:02:03]"
};

// One line without what the options remove and without spaces around it.
QString cleanListLine(QStringView line, const ListOptions &options);

// The text's lines (any line ending), blank ones dropped, each cleaned.
QStringList listLines(QStringView text, const ListOptions &options);

// A list file is a sleeve's track list, not a book.
constexpr qint64 ListTextLimit = 1 << 20;

// The list's text from a file's bytes; false when they are not UTF-8.
bool decodeListText(const QByteArray &bytes, QString &text);

// "13 lines for 12 files" when the counts differ; empty when each file has its line.
QString listCountMismatch(qsizetype lines, qsizetype files);

// The planner of previewJob for these files: each gets the line of its place in files, and a file
// past the last line is skipped.
JobPlanner listPlanner(const QStringList &lines, const std::vector<JobFile> &files, TagField field);
