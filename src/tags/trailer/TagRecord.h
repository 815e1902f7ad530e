#pragma once
// A tag as the window shows it: the five trailer fields decoded from the code page (trailing
// spaces removed) and the genre's name.

#include <QString>
#include <QStringList>

class CodePage;
struct TagReading;

struct TagRecord {
    QString Title;
    QString Artist;
    QString Album;
    QString Year;
    QString Comment;
    QString Genre;  // empty for a genre number without a name
};

// The record of a reading, its text decoded from page: all six texts empty when the file has no
// tag.
TagRecord tagRecordOf(const TagReading &reading, const QStringList &genreList, const CodePage &page);
