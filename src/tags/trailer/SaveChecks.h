#pragma once
// The checks that keep a save on the file that was read: where a path really leads, which file
// systems hold no user files (reads skip those too), and whether an open file is still the one
// read.

#include "tags/text/FileStatus.h"

#include <QByteArray>

#include <optional>
#include <sys/stat.h>

struct FileIdentity;

namespace SaveChecks {

// Where path finally leads (every link resolved), provided that lies inside folder (or in the
// path's own folder when folder is empty): target receives it. A file outside, a listed link into
// another place for instance, is refused with a message that says where it leads.
FileStatus resolveInsideFolder(const QByteArray &path, const QByteArray &folder, QByteArray &target);

// The refusal when the file on disk is no longer the one that was read.
FileStatus changedOnDiskRefusal();

// realpath() as bytes; empty with errno set when the path leads nowhere.
QByteArray resolvedPath(const QByteArray &path);

FileIdentity identityOf(const struct stat &st);
bool isExpected(const struct stat &st, const std::optional<FileIdentity> &expected);

}  // namespace SaveChecks
