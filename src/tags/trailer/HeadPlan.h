#pragma once
// The ID3v2 tag a save writes beside the trailer, planned from the tag's bytes: what it becomes,
// whether it is written over itself or the file anew, or why it cannot be written whole. Shared by
// the save (under the file's lock) and a job's preview (which only reads).

#include "tags/id3v2/Id3v2Fill.h"

#include <QByteArray>
#include <QString>

class CodePage;

struct HeadChange {
    QByteArray before, after;  // both empty: the tag is not written
    bool inPlace = false;
    bool any() const { return !after.isEmpty(); }
};

// A tag with cover art may be large; one larger than this is not written.
constexpr qint64 MostHeadBytes = 64 * 1024 * 1024;

// tag: the file's ID3v2 tag (empty: none, and nothing is written). fields: one bit for each field
// the save writes (id3v2Bit, Id3v2Fill.h). Returns why the tag cannot be written whole, or empty
// text with change set (left empty when there is nothing to write). whole: texts written whole
// where the trailer holds them cut.
QString planHeadChange(const QByteArray &tag, const QByteArray &trailerBefore, const QByteArray &trailerAfter,
                       const CodePage &page, quint32 fields, HeadChange &change, const WholeTexts *whole = nullptr);

// Reads the ID3v2 tag opening the file at path (read only, no lock) and plans as above; a file
// that cannot be read says so in the refusal.
QString planHeadChangeOf(const QByteArray &path, const QByteArray &trailerBefore, const QByteArray &trailerAfter,
                         const CodePage &page, quint32 fields, HeadChange &change, const WholeTexts *whole = nullptr);
