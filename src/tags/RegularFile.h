#pragma once
// The one way a file is opened: only a regular file, never blocking, never making a terminal the
// process's own, never on a pseudo file system such as /proc or /sys.

#include "tags/FileStatus.h"

#include <sys/stat.h>

// Opens name (relative to folderFd, or AT_FDCWD) with access (O_RDONLY or O_RDWR, O_NOFOLLOW
// allowed). With lookFirst the name is looked at before the open, because opening a device can
// have side effects of its own; a final link is then refused with ELOOP when O_NOFOLLOW is given.
// On success fd is the open descriptor and st its fstat; on failure nothing is left open.
FileStatus openRegularFile(int folderFd, const char *name, int access, bool lookFirst, int &fd, struct stat &st);
