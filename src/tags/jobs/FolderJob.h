#pragma once
// What every folder job shares: a preview of each file's fields old and new with a state and a
// reason, and an Apply that saves each changed file as Save Tags saves one, the whole job one
// batch of the journal, so that it is undone as a whole.

#include "tags/trailer/TagCore.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CodePage;
class SaveJournal;

struct JobFile {
    QByteArray path;    // folder + "/" + name, or as the user named it
    QByteArray folder;  // the folder the user chose: the save stays inside it
    QByteArray name;    // raw bytes
    QString display;    // decoded name, U+FFFD for bytes that are not UTF-8
};

// The files of a folder in the order the window lists them; status says why it cannot be listed.
std::vector<JobFile> listJobFiles(const QByteArray &folder, FileStatus &status);

// What a job sets in one file, as text; unset fields stay as read.
struct FieldEdits {
    std::optional<QString> title, artist, album, year, comment;
    std::optional<int> track;    // 1 to 255, stored as ID3v1.1
    std::optional<quint8> genre;

    // Whether any field is set (a file without a trailer gains one only then).
    bool anyField() const { return title || artist || album || year || comment || track || genre; }
};

enum class JobState { WillChange, Unchanged, Skipped };

struct JobRow {
    JobFile file;
    TagReading reading;
    FieldEdits edits;
    Id3v1::Fields before, after;  // code-page bytes
    int trackBefore = 0, trackAfter = 0;
    JobState state = JobState::Skipped;
    QString reason;  // why a row is skipped
};

// A job's decision for one file: false with reason set when the file is to be skipped.
using JobPlanner = std::function<bool(const JobFile &file, const TagReading &reading, FieldEdits &edits,
                                      QString &reason)>;

// The comment's bytes as the trailer holds them, without a track number's two bytes.
QByteArray storedComment(const TagReading &reading);

// One row from a file's reading and the job's edits: the fields encoded in page; a value the page
// cannot store, or that does not fit its field's bytes, skips the file (nothing is ever cut).
JobRow planJobRow(const JobFile &file, const TagReading &reading, const FieldEdits &edits, const CodePage &page);

// Reads every file and plans its row, in the files' order.
std::vector<JobRow> previewJob(const std::vector<JobFile> &files, const JobPlanner &planner, const CodePage &page);

struct JobApply {
    SaveJournal *journal = nullptr;  // none: the saves are not journalled
    bool keepTimes = false;
    // Called after each row that was to change; false stops the job there (what was written stays
    // written and journalled).
    std::function<bool(const JobRow &row, const TagSaveResult &result)> afterFile;
};

struct JobSummary {
    int written = 0, unchanged = 0, skipped = 0, failed = 0;
    bool stopped = false;
};

// Saves the rows that will change, in order; the others are never opened for writing.
JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply);

const char *jobStateName(JobState state);  // "will change", "unchanged", "skipped"
