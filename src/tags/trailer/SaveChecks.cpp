#include "tags/trailer/SaveChecks.h"

#include "tags/trailer/TagCore.h"
#include "tags/text/TextEscape.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#ifdef __linux__
#include <linux/magic.h>
#endif

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SaveChecks", text);
}

// realpath() of folders, for the saves of a batch, which mostly share one or two: a folder seen
// before is taken as resolved when it is still the same folder (one stat, against realpath's look
// at every part of the path). A folder moved since leaves a real path that no longer leads to it:
// the open that follows fails, and nothing is written.
QByteArray resolvedFolder(const QByteArray &folder)
{
    struct Known {
        QByteArray path, real;
        dev_t device = 0;
        ino_t inode = 0;
    };
    thread_local Known known[4];
    thread_local unsigned next = 0;
    struct stat st;
    if (::stat(folder.constData(), &st) != 0)
        return QByteArray();
    for (const Known &k : known)
        if (!k.path.isEmpty() && k.path == folder && k.device == st.st_dev && k.inode == st.st_ino)
            return k.real;
    const QByteArray real = SaveChecks::resolvedPath(folder);
    if (!real.isEmpty())
        known[next++ % 4] = {folder, real, st.st_dev, st.st_ino};
    return real;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

bool isInside(const QByteArray &target, const QByteArray &folder)
{
    if (folder == "/")
        return target.size() > 1 && target.startsWith('/');
    return target.size() > folder.size() + 1 && target.startsWith(folder) && target[folder.size()] == '/';
}

}  // namespace

namespace SaveChecks {

QByteArray resolvedPath(const QByteArray &path)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return QByteArray();
    QByteArray result(real);
    std::free(real);
    return result;
}

FileStatus resolveInsideFolder(const QByteArray &path, const QByteArray &folder, QByteArray &target)
{
    if (path.isEmpty())
        return FileStatus::fromErrno(ENOENT);
    if (path.contains('\0') || folder.contains('\0'))
        return FileStatus::fromErrno(EINVAL);
    const QByteArray realFolder = resolvedFolder(folder.isEmpty() ? parentOf(path) : folder);
    if (realFolder.isEmpty())
        return FileStatus::fromLastError();
    // A name that is no link, in a folder resolved already, leads to that folder's real path and
    // the name; a link, or a name such as "." or "..", is resolved whole.
    const QByteArray parent = parentOf(path);
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    struct stat st;
    const bool plain = !name.isEmpty() && name != "." && name != ".." && ::lstat(path.constData(), &st) == 0
                       && !S_ISLNK(st.st_mode);
    const QByteArray realParent = !plain ? QByteArray() : folder.isEmpty() || folder == parent ? realFolder
                                                                                            : resolvedFolder(parent);
    target = realParent.isEmpty() ? resolvedPath(path) : (realParent == "/" ? realParent : realParent + '/') + name;
    if (target.isEmpty())
        return FileStatus::fromLastError();
    if (isInside(target, realFolder))
        return FileStatus::success();
    return FileStatus::failure(
        EXDEV, tr("\"%1\" leads to \"%2\", outside the folder \"%3\": the tag is not written there.")
                   .arg(TextEscape::shown(path), TextEscape::shown(target), TextEscape::shown(realFolder)));
}

FileStatus changedOnDiskRefusal()
{
    return FileStatus::failure(
        ESTALE, tr("The file has changed on disk since it was read, so this file was not changed."));
}

FileIdentity identityOf(const struct stat &st)
{
    FileIdentity id;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    id.size = st.st_size;
    id.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool isExpected(const struct stat &st, const std::optional<FileIdentity> &expected)
{
    if (expected && expected->size < 0)
        return quint64(st.st_dev) == expected->device && quint64(st.st_ino) == expected->inode;
    return !expected || identityOf(st) == *expected;
}

}  // namespace SaveChecks
