#pragma once
// Tags from a List of Values: a tag list (TagTable.h) written back into the files its rows name.
// A cell that reads as the file's field already leaves the field as it is, so that a list taken
// out and given back unchanged writes nothing, whatever bytes the fields hold.

#include "tags/jobs/FolderJob.h"
#include "tags/jobs/TagTable.h"

#include <QStringList>

// The job's name, as the journal's batches and Edit > Undo say it.
constexpr char ImportJobTitle[] = "Tags from a List of Values";

// The texts of a file's fields as a list holds them, in tableFields()' order: the text fields
// decoded in page, the track number (empty for none), the genre by its name (its number when the
// table has none; empty for a file without a trailer and for 255).
QStringList tableValues(const TagReading &reading, const CodePage &page, const QStringList &genres);

// The rows of a list that name files to write, each with its file in folder. A row whose path is
// not a plain path below folder (absolute, "..", a hidden part, a link to a folder on the way,
// not an MP3 name), names a file twice, or has a problem of its own is left out and said in
// refused, with its line.
struct ImportFiles {
    std::vector<JobFile> files;
    std::vector<const TableRow *> rowOf;  // files[i]'s row
    std::vector<TableProblem> refused;
};
ImportFiles importFiles(const TagTable &table, const QByteArray &folder);

// The planner of the rows' files (rowOf[i] for files[i]): the cells that differ from the file's
// own, as edits; a track that is not 1 to 255 (or empty), or a genre that is neither a name of the
// table nor 0 to 255, skips the file.
JobPlanner importPlanner(const ImportFiles &files, const CodePage &page);
