#include "tags/files/AlbumFolders.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SubFolders {
    std::vector<QByteArray> names;
    FileStatus status = FileStatus::success();
};

// The real folders directly in path, read through a descriptor opened without following a link,
// so that a folder swapped for a link after its parent was read is not entered either.
SubFolders subFoldersOf(const QByteArray &path, AlbumFolders &tree)
{
    SubFolders found;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        found.status = FileStatus::fromLastError();
        if (fd >= 0)
            ::close(fd);
        return found;
    }
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                found.status = FileStatus::fromLastError();
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat own;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(own.st_mode) ? DT_DIR : S_ISLNK(own.st_mode) ? DT_LNK : DT_REG;
        if (type == DT_LNK) {
            struct stat target;
            if (::fstatat(fd, entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode))
                ++tree.linksPassed;
            continue;
        }
        if (type != DT_DIR)
            continue;
        if (name.startsWith('.')) {
            ++tree.hiddenPassed;
            continue;
        }
        found.names.push_back(name);
    }
    ::closedir(dir);
    // The file list's order: without regard to case, ties by bytes.
    std::vector<std::pair<QString, QByteArray>> keyed;
    keyed.reserve(found.names.size());
    for (QByteArray &name : found.names)
        keyed.emplace_back(QString::fromUtf8(name).toCaseFolded(), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    found.names.clear();
    for (auto &[key, name] : keyed)
        found.names.push_back(std::move(name));
    return found;
}

}  // namespace

AlbumFolders walkAlbumFolders(const QByteArray &folder)
{
    AlbumFolders tree;
    if (folder.isEmpty() || folder.contains('\0')) {
        tree.status = FileStatus::fromErrno(folder.isEmpty() ? ENOENT : EINVAL);
        return tree;
    }
    struct stat st;
    if (::stat(folder.constData(), &st) != 0) {
        tree.status = FileStatus::fromLastError();
        return tree;
    }
    if (!S_ISDIR(st.st_mode)) {
        tree.status = FileStatus::fromErrno(ENOTDIR);
        return tree;
    }
    const QByteArray base = folder.endsWith('/') ? folder : folder + '/';
    // Depth first, each folder before those under it: a stack of the folders still to visit.
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        QByteArray relative = std::move(pending.back());
        pending.pop_back();
        const QByteArray path = relative.isEmpty() ? folder : base + relative;
        // The given folder may be a link the user named ("/." follows it); no folder under it is.
        const SubFolders sub = subFoldersOf(relative.isEmpty() ? base + '.' : path, tree);
        if (!sub.status) {
            if (relative.isEmpty()) {
                tree.status = sub.status;
                return tree;
            }
            tree.unreadable.emplace_back(path, sub.status);
            continue;
        }
        tree.folders.push_back({path, relative});
        for (auto name = sub.names.rbegin(); name != sub.names.rend(); ++name)
            pending.push_back(relative.isEmpty() ? *name : relative + '/' + *name);
    }
    return tree;
}

QString passedOverText(const AlbumFolders &tree)
{
    QStringList parts;
    if (tree.hiddenPassed)
        parts += tree.hiddenPassed == 1 ? QStringLiteral("1 hidden folder")
                                        : QStringLiteral("%1 hidden folders").arg(tree.hiddenPassed);
    if (tree.linksPassed)
        parts += tree.linksPassed == 1 ? QStringLiteral("1 link to a folder")
                                       : QStringLiteral("%1 links to folders").arg(tree.linksPassed);
    return parts.isEmpty() ? QString() : QStringLiteral("passed over ") + parts.join(QStringLiteral(" and "));
}
