#pragma once
// Reading the trailers of every file of a folder listing. On a disk that has not read the folder
// yet, each file costs a wait for the device; with many reads in flight those waits overlap, so
// helper threads read ahead while the caller takes the results one by one, in the listing's order,
// on its own thread, reading too whenever its next result is not there yet.

#include "tags/files/PatternListing.h"
#include "tags/trailer/RawTrailer.h"

#include <QByteArrayList>

#include <functional>
#include <vector>

// When helper threads read ahead of the caller: only once the caller's reads are seen to wait for
// the device (a window's scan: the caller stays free for the list it builds, and a helper that a
// busy machine holds up would hold up the caller), never, or from the start. WithEveryProcessor
// starts a helper at once for each processor the caller may use beyond its own (three at most)
// when the folder is large enough to pay for them, and the rest once reads wait: a listing that
// only reads and writes text is done sooner on all the processors there are.
enum class ReadAhead { WhenReadsWait, Never, Always, WithEveryProcessor };

// Calls take(index, trailer) for every file of the listing, once each, in order, on the calling
// thread, and returns when all are taken. A folder that cannot be opened gives every file its
// error. Unless told Always, a folder of a few files is read by the caller alone. The folder's
// file system is asked about once (a pseudo file system refuses every file on it unread), and only
// a file on another device is asked about on its own. id3v2 says what is read of each file's start,
// in the same open (with Tag, Id3v2::readingOf gives the tag's values).
void readFolderTrailers(const QByteArray &folder, const std::vector<ListedFile> &files,
                        const std::function<void(int, const RawTrailer &)> &take,
                        ReadAhead readAhead = ReadAhead::WhenReadsWait, Id3v2Read id3v2 = Id3v2Read::Version);

// The ID3v2 versions (readId3v2Version) of a few listed files of folder, in the order of names, read
// one after another on the calling thread: for the rows a window shows, after a scan that left
// the files' starts unread. The folder's file system is asked about once, as above.
std::vector<int> readId3v2Versions(const QByteArray &folder, const QByteArrayList &names);
