#pragma once
// Number Tracks: ID3v1.1 track numbers in the list's order.

#include "tags/jobs/FolderJob.h"

#include <map>

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char NumberJobTitle[] = "Number Tracks";

// Why a file whose comment would lose text beside its number is skipped, unless cuts are accepted.
constexpr char CommentWouldBeCut[] = "comment would be cut to 28 bytes";

struct NumberOptions {
    int start = 1;             // the first file's number; each next file one more
    bool onlyMissing = false;  // files that hold a number keep it
    // The user accepts that a comment over 28 bytes is cut to sit beside its number; unset, such
    // files are skipped (CommentWouldBeCut).
    bool cutComments = false;
    // A cleared number gives the comment its 30 bytes back; unset, bytes 28 and 29 stay 0.
    bool freeCommentBytes = false;
    // Numbers the user set for single files: index in the list -> number, 0 clears it.
    std::map<int, int> given;
};

// The number of the file at index in the list: given, kept (only missing), or start + index.
// Numbers hold a file's place whether or not earlier files are numbered.
JobPlanner numberPlanner(const NumberOptions &options, const std::vector<JobFile> &files);
