#pragma once
// procfs, sysfs and their kind hold the kernel's state, not files: never written, never read.

#include "tags/text/FileStatus.h"

#include <sys/stat.h>

// st is the open file's: only file systems without a device of their own (major number 0, where
// all of these are, beside tmpfs, btrfs and network file systems) cost a look.
bool onPseudoFileSystem(int fd, const struct stat &st);
FileStatus pseudoFileSystemRefusal();
