#pragma once
// Reading the trailers of every file of a folder listing. On a disk that has not read the folder
// yet, each file costs a wait for the device; with many reads in flight those waits overlap, so a
// few helper threads read ahead while the caller takes the results one by one, in the listing's
// order, on its own thread. With a warm cache the caller reads as well, so nothing waits.

#include "FolderListing.h"
#include "RawTrailer.h"

#include <functional>
#include <vector>

// How many helper threads a folder of this many files is read with (none for a few files).
int folderReadWorkers(int files);

// Calls take(index, trailer) for every file of the listing, once each, in order, on the calling
// thread, and returns when all are taken. A folder that cannot be opened gives every file its
// error. workers < 0: folderReadWorkers(files.size()).
void readFolderTrailers(const QByteArray &folder, const std::vector<ListedFile> &files,
                        const std::function<void(int, const RawTrailer &)> &take, int workers = -1);
