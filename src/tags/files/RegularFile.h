#pragma once
// The one way a file is opened: only a regular file, never blocking, never making a terminal the
// process's own, never on a pseudo file system such as /proc or /sys.

#include "tags/text/FileStatus.h"

#include <sys/stat.h>

// What a folder's own file system is, asked once for the folder (one fstatfs at most) and taken
// for every file of it on the same device: a file's device is its file system, so a file on the
// folder's device is on the folder's file system. A file on another device (a mount inside the
// folder, a link out of it, a btrfs subvolume) is asked about on its own.
class FolderFileSystem {
public:
    // folderFd: an open descriptor of the folder; -1, or a folder that cannot be looked at: nothing
    // is known and every file is asked about on its own.
    explicit FolderFileSystem(int folderFd);

    // Whether the open file fd (of stat st) lies on a pseudo file system.
    bool isPseudo(int fd, const struct stat &st) const;

private:
    bool m_known = false;
    dev_t m_device = 0;
    bool m_pseudo = false;
};

// How many times a file system was asked about (a folder's, or a file's own) since the program
// began, for the tests: a folder of files on its device is one.
long fileSystemChecks();

// How many music and list files were opened (by openRegularFile) since the program began, for the
// tests that count what a job costs per file.
long regularFileOpens();

// The open every file of ours goes through, the journal's own included: never blocking (a name
// that has become a FIFO still returns), never making a terminal the process's own, closed on exec,
// tried again after an interruption. -1 with errno set on failure.
int openNonBlocking(int folderFd, const char *name, int flags, mode_t mode = 0);

// Opens name (relative to folderFd, or AT_FDCWD) with access (O_RDONLY or O_RDWR, O_NOFOLLOW
// allowed). With lookFirst the name is looked at before the open, because opening a device can
// have side effects of its own; a final link is then refused with ELOOP when O_NOFOLLOW is given.
// The file system is asked about for this file alone, or taken from folderFs when the file is on
// the folder's device. On success fd is the open descriptor and st its fstat; on failure nothing is
// left open.
FileStatus openRegularFile(int folderFd, const char *name, int access, bool lookFirst, int &fd, struct stat &st,
                           const FolderFileSystem *folderFs = nullptr);

// The status of a refused file that is not a regular one.
FileStatus notRegularFileStatus(mode_t mode);
