#pragma once
// Rename Every File: each file takes a name made from its tags, either the name the panel's New
// Filename proposes (long or 8.3) or a pattern with the codes of Tags from File Names.

#include "tags/jobs/FolderJob.h"
#include "tags/jobs/NamePattern.h"

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char RenameJobTitle[] = "Rename Every File";

class CodePage;

// The name proposed from a reading's title and artist decoded in page: long ("Artist-Song.MP3")
// or 8.3 ("ARTISONG.MP3"); empty when the file keeps its name (no tag, an empty title or artist).
QByteArray proposedNameOf(const TagReading &reading, bool longNames, const CodePage &page);

// The planner of previewJob: the proposed name as the row's new name. Names taken or unusable
// are skipped by the preview with their reason.
JobPlanner renamePlanner(bool longNames, const CodePage &page);

// Why a pattern cannot name files: it cannot be read, it holds %x (which has nothing to write)
// or a "/"; empty when it can.
QString renamePatternProblem(const NamePattern &pattern);

// The digits %n is written with: two, or three when a file's track number is above 99, so that
// the names sort in the tracks' order.
int trackDigits(const std::vector<TagReading> &readings);

// The file's name from its tags by pattern, its extension kept as the file has it ("01 - Up.mp3");
// no value, with reason, when the file has no tag or a field the pattern names is empty.
std::optional<QByteArray> patternNameOf(const NamePattern &pattern, const JobFile &file, const TagReading &reading,
                                        int digits, const CodePage &page, QString &reason);

// The planner of previewJob for a pattern: a file that cannot be named by it is skipped, and so
// is a name a file may not have ("/" in a value, a leading ".", a control character, more than
// 255 bytes) or that is taken.
JobPlanner patternRenamePlanner(const NamePattern &pattern, int digits, const CodePage &page);
