#pragma once
// A file written anew put in the place of the one it replaces, never over another: the two names
// are exchanged in one step, and the file that comes out must be the one replaced (its device and
// inode), else the exchange is undone. Where the file system cannot exchange, the name is looked
// at just before a plain rename.

#include <sys/types.h>

// Puts the file named fresh (in folder dirFd, or AT_FDCWD for paths) in the place of target,
// which must be the file of device and inode; the replaced file is then removed. 0, or an errno
// (ESTALE: target is another file now, and was left as it is, fresh too).
int swapInPlaceOf(int dirFd, const char *fresh, const char *target, dev_t device, ino_t inode);
