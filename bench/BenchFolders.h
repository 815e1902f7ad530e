#pragma once
// The generated folders the benchmarks read: made only when a benchmark asks for one, removed at
// the end of the run and on an interrupt, and left over ones of runs that were killed removed at
// the next start.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace BenchFolders {

// Removes the folders of earlier runs whose process has gone, and arranges for this run's folders
// to go at exit, on SIGINT, SIGTERM and SIGHUP.
void prepare();

// The folder holding count generated MP3 files (90% tagged, plus four other files), made on first
// use; empty when it could not be made. withId3v2: every MP3 file also begins with an ID3v2.3 tag.
QByteArray folderOf(int count, bool withId3v2 = false);

// A fresh empty folder for a benchmark's own files (a settings folder, say), removed with the rest.
QByteArray scratchFolder(const char *name);

// A sparse file of the given size ending in the trailer (none when it is empty).
bool makeSparseFile(const QByteArray &path, off_t size, const QByteArray &trailer);

// Removes everything generated so far.
void removeAll();

// Writes every dirty page to disk and drops the page cache, dentries and inodes, so that the next
// reads go to the device. Empty text on success, else why it could not be done.
QString dropCaches();

}  // namespace BenchFolders
