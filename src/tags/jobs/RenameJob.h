#pragma once
// Rename Every File: each file takes the name the panel's New Filename proposes from its tags.

#include "tags/jobs/FolderJob.h"

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char RenameJobTitle[] = "Rename Every File";

class CodePage;

// The name proposed from a reading's title and artist decoded in page: long ("Artist-Song.MP3")
// or 8.3 ("ARTISONG.MP3"); empty when the file keeps its name (no tag, an empty title or artist).
QByteArray proposedNameOf(const TagReading &reading, bool longNames, const CodePage &page);

// The planner of previewJob: the proposed name as the row's new name. Names taken or unusable
// are skipped by the preview with their reason.
JobPlanner renamePlanner(bool longNames, const CodePage &page);
