#pragma once
// Reading a folder by its raw native path (names that are not UTF-8 included), skipping hidden
// entries. Shared by the folder list and the file list.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <functional>

struct dirent;

class FolderEntry {
public:
    FolderEntry(int folderFd, const dirent &entry) : m_folderFd(folderFd), m_entry(entry) {}

    QByteArray name() const;
    const char *rawName() const;  // NUL-terminated, valid while the entry is visited
    // Both follow links; a broken link is neither. The entry's type answers most entries
    // without a stat.
    bool isRegularFile() const;
    bool isFolder() const;

private:
    int followedMode() const;  // 0 when the entry cannot be stat'ed
    bool isOfType(unsigned char entryType, int formatBits) const;

    int m_folderFd;
    const dirent &m_entry;
};

// Calls visit for every entry whose name does not begin with "."; the folder's error when it
// cannot be opened or read to its end (a path holding a NUL byte is refused as invalid).
FileStatus forEachVisibleEntry(const QByteArray &folder, const std::function<void(const FolderEntry &)> &visit);
