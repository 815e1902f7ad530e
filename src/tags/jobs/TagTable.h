#pragma once
// A tag list as spreadsheets hold it: a row per file, the file's path below the folder, then each
// field of its trailer as text. Written and read as CSV (RFC 4180: a value holding a comma, quote
// or line break in quotes, quotes doubled, lines ended by CR LF), TSV (a tab, newline and
// backslash in a value as \t, \n and \\) or JSON (an array of objects, one a line).

#include "tags/id3v1/TagFields.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class TableFormat { Csv, Tsv, Json };

// "csv", "tsv", "json"; none for another name.
std::optional<TableFormat> tableFormatNamed(QStringView name);

// The columns after "file", in order: title, artist, album, year, comment, track, genre.
const std::vector<TagField> &tableFields();

class TableWriter {
public:
    // byteOrderMark: UTF-8 with its mark, for the spreadsheet programs that need it (not in JSON).
    TableWriter(TableFormat format, bool byteOrderMark);
    QByteArray header() const;
    // file: the path in the printable form (TextEscape.h); values: tableFields()' texts, in order.
    QByteArray row(const QByteArray &file, const QStringList &values);
    QByteArray footer() const;

private:
    TableFormat m_format;
    bool m_mark;
    int m_rows = 0;
};

struct TableRow {
    int line = 0;      // where the row begins in the list, from 1
    QByteArray file;   // as written: the path in the printable form
    std::vector<std::pair<TagField, QString>> values;  // the columns the list has, in its order
    QString problem;   // why the row cannot be used (a column it does not know, a bad value); empty: none
};

struct TableProblem {
    int line = 0;
    QString text;
};

struct TagTable {
    std::vector<TableRow> rows;
    std::vector<TableProblem> problems;  // about the list as a whole or a column of it
    bool usable = true;                  // false: no row can be read (no "file" column, not the format)
};

// The format of a list's bytes: JSON when it begins with "[", TSV when its first line holds a tab,
// else CSV. A UTF-8 byte-order mark is passed over.
TableFormat guessTableFormat(QByteArrayView bytes);

// Reads a list in format. A column whose name is not "file" or a field's is said (at line 1 in CSV
// and TSV, where it is left out; in JSON its row is the one refused).
TagTable readTagTable(QByteArrayView bytes, TableFormat format);
