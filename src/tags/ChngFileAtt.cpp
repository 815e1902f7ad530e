#include "tags/ChngFileAtt.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool regularFile(const QByteArray &path, fs::file_status &status)
{
    if (path.isEmpty() || path.contains('\0'))
        return false;
    std::error_code error;
    status = fs::status(fs::path(path.toStdString()), error);
    return !error && fs::is_regular_file(status);
}

qint32 attributesFrom(const fs::file_status &status)
{
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none ? ChngFileAtt::ReadOnly : 0;
}

// Read-only takes every write permission away, as "chmod a-w" does; writable gives the owner back
// the right to write.
FileStatus writeAttributes(const QByteArray &path, qint32 attributes)
{
    std::error_code error;
    if (attributes & ChngFileAtt::ReadOnly) {
        fs::permissions(fs::path(path.toStdString()),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, error);
    } else {
        fs::permissions(fs::path(path.toStdString()), fs::perms::owner_write, fs::perm_options::add, error);
    }
    return error ? FileStatus::fromErrno(error.value()) : FileStatus::success();
}

}  // namespace

qint32 ChngFileAtt::attributesOf(const QByteArray &path)
{
    fs::file_status status;
    if (!regularFile(path, status))
        return -1;
    return attributesFrom(status);
}

bool ChngFileAtt::ChangeFileAttributes(const QByteArray &strPath, qint32 lngSetAttr, qint32 lngRemoveAttr,
                                       FileStatus *failure)
{
    if (failure)
        *failure = FileStatus::success();
    fs::file_status status;
    if (!regularFile(strPath, status))
        return false;
    qint32 attributes = attributesFrom(status);
    FileStatus result = FileStatus::success();
    if (lngSetAttr != 0) {
        attributes |= lngSetAttr;
        result = writeAttributes(strPath, attributes);
    }
    if (result && lngRemoveAttr != 0 && (attributes & lngRemoveAttr) != 0) {
        attributes &= ~lngRemoveAttr;
        result = writeAttributes(strPath, attributes);
    }
    if (failure)
        *failure = result;
    return true;
}
