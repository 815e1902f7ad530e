#pragma once
// Renaming a file within its folder without ever replacing another file.

#include "tags/text/FileStatus.h"

#include <QByteArray>
#include <QString>

// Renames from to to, failing with EEXIST when to names another file. The check and the rename
// are one step (renameat2 with RENAME_NOREPLACE; where the file system lacks it, link()+unlink(),
// and where it lacks links, a reserved placeholder that only this rename replaces). The same name,
// or a change of letter case only of the same file (same device and inode), is not a collision.
FileStatus renameNoReplace(const QByteArray &from, const QByteArray &to);

// The two ways renameNoReplace falls back on where the file system refuses RENAME_NOREPLACE; each
// fails with EEXIST rather than replace a file. Reachable here so that they can be checked on any
// file system.
namespace RenameFallback {
FileStatus linkThenUnlink(const QByteArray &from, const QByteArray &to);
FileStatus reserveThenRename(const QByteArray &from, const QByteArray &to);
}  // namespace RenameFallback
