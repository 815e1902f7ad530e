#pragma once
// What every folder job shares: a preview of each file's fields old and new with a state and a
// reason, and an Apply that saves each changed file as Save Tags saves one, the whole job one
// batch of the journal, so that it is undone as a whole.

#include "tags/id3v1/TagFields.h"
#include "tags/trailer/TagCore.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CodePage;

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
    std::optional<int> track;    // 1 to 255, stored as ID3v1.1; 0 clears a number
    std::optional<quint8> genre;
    // A comment over 28 bytes beside a track number is cut to 28 (never inside a character);
    // unset, such a file is skipped.
    bool cutComment = false;
    // A cleared number gives the comment its 30 bytes back (ID3v1); unset, bytes 28 and 29 of the
    // comment stay 0, so that the comment keeps to 28 bytes.
    bool freeCommentBytes = false;
    // A text value longer than its field is cut to fit (never inside a character) and named in the
    // row's cut fields; unset, such a file is skipped. For values the user did not type.
    bool cutToFit = false;
    // Raw bytes of a new name for the file in its folder; unset or its own name: it keeps it.
    std::optional<QByteArray> newName;

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
    QByteArray newName;  // the name the file takes in its folder; empty: it keeps its own
    JobState state = JobState::Skipped;
    QString reason;  // why a row is skipped, or what its change costs ("comment will be cut to 28 bytes")
    std::vector<TagField> cut;  // the fields whose new value was cut to fit (cutToFit)
};

// A job's decision for one file: false with reason set when the file is to be skipped.
using JobPlanner = std::function<bool(const JobFile &file, const TagReading &reading, FieldEdits &edits,
                                      QString &reason)>;

// The path the row's file takes with its new name, in the same folder.
QByteArray newPathOf(const JobRow &row);

// The row made a skipped one, for reason: its fields, track and name stay as they are.
JobRow skippedRow(JobRow row, const QString &reason);

// The comment's bytes as the trailer holds them, without a track number's two bytes.
QByteArray storedComment(const TagReading &reading);

// Whether a comment keeps all its text beside a track number: past its 28th byte only spaces or
// NULs, which are padding (an empty comment is often 30 of them).
bool fitsBesideTrack(const QByteArray &comment);

// One row from a file's reading and the job's edits: the fields encoded in page; a value the page
// cannot store, or that does not fit its field's bytes, skips the file (unless edits.cutToFit).
JobRow planJobRow(const JobFile &file, const TagReading &reading, const FieldEdits &edits, const CodePage &page);

// Reads every file and plans its row, in the files' order. New names are settled in that order
// too: a name another file holds (and does not give up earlier in the job) or that an earlier
// row takes skips the row, so that no rename would replace a file.
std::vector<JobRow> previewJob(const std::vector<JobFile> &files, const JobPlanner &planner, const CodePage &page);

// The two halves of previewJob, for a preview that follows its inputs: the files read once, then
// planned again from those readings (readings[i] is files[i]'s) at each change.
std::vector<TagReading> readJobFiles(const std::vector<JobFile> &files);
std::vector<JobRow> planFromReadings(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                                     const JobPlanner &planner, const CodePage &page);

const char *jobStateName(JobState state);  // "will change", "unchanged", "skipped"
