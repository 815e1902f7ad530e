#pragma once
// Tags from File Names: each file's fields from its name read with a pattern.

#include "tags/jobs/FolderJob.h"
#include "tags/jobs/NamePattern.h"

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char NameJobTitle[] = "Tags from File Names";

// The edits a name gives, or false with reason "does not match: " and why (or the genre it names
// is not in the table, or a value holds a control character): a name is read whole or not at all.
bool nameEdits(const NamePattern &pattern, const QString &fileName, bool underscores, FieldEdits &edits,
               QString &reason);

// The fields the pattern writes, in the order the names hold them.
std::vector<TagField> nameJobFields(const NamePattern &pattern);

// The planner of previewJob for the pattern.
JobPlanner nameJobPlanner(const NamePattern &pattern, bool underscores);
