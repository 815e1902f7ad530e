#include "cli/FileTargets.h"

#include "cli/CommandLine.h"
#include "tags/files/AlbumFolders.h"
#include "tags/files/PatternListing.h"
#include "tags/trailer/TagCore.h"

#include <QSet>

#include <algorithm>

#include <sys/stat.h>

namespace {

bool isFolder(const QByteArray &path)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileTarget fileTarget(const QByteArray &path)
{
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf('/');
    if (slash < 0)
        return {trimmed, QByteArray("."), trimmed};
    return {trimmed, slash == 0 ? QByteArray("/") : trimmed.left(slash), trimmed.mid(slash + 1)};
}

}  // namespace

std::vector<FileTarget> expandFileTargets(const std::vector<QByteArray> &operands, Console &console, bool recursive)
{
    int albums = 0;
    const int looseFiles = recursive ? albums++ : 0;
    std::vector<FileTarget> targets;
    QSet<QByteArray> seen;
    auto add = [&](FileTarget target) {
        if (!seen.contains(target.path)) {
            seen.insert(target.path);
            targets.push_back(std::move(target));
        }
    };
    for (const QByteArray &operand : operands) {
        if (!operand.contains('\0') && isFolder(operand) && recursive) {
            const AlbumFolders tree = walkAlbumFolders(operand);
            if (!tree.status)
                console.fileFailed(operand, tree.status.description());
            if (const QString passed = passedOverText(tree); !passed.isEmpty())
                console.fileNote(operand, passed);
            for (const auto &[path, status] : tree.unreadable)
                console.fileFailed(path, status.description());
            for (const AlbumFolder &folder : tree.folders) {
                std::vector<ListedFile> files;
                if (const FileStatus status = listFolderFiles(folder.path, mp3Pattern(), files); !status)
                    console.fileFailed(folder.path, status.description());
                const QByteArray prefix = folderPrefix(folder.path);
                const int album = albums++;
                for (const ListedFile &file : files)
                    add({prefix + file.name, operand, file.name, album});
            }
            continue;
        }
        if (!operand.contains('\0') && isFolder(operand)) {
            std::vector<ListedFile> files;
            const FileStatus status = listFolderFiles(operand, mp3Pattern(), files);
            if (!status)
                console.fileFailed(operand, status.description());
            const QByteArray prefix = folderPrefix(operand);
            for (const ListedFile &file : files)
                add({prefix + file.name, operand, file.name});
            continue;
        }
        FileTarget target = fileTarget(operand);
        if (!matchesFilePattern(target.name, mp3Pattern()))
            console.fileFailed(operand, QStringLiteral("not an MP3 file (the name does not end in \".mp3\")"));
        else
            add({target.path, target.folder, target.name, looseFiles});
    }
    return targets;
}

std::vector<FileTarget> commandTargets(const CommandLine &line, Console &console)
{
    return expandFileTargets(line.operands, console, line.has("--recursive"));
}

std::vector<std::vector<FileTarget>> albumsOf(const std::vector<FileTarget> &targets)
{
    std::vector<std::vector<FileTarget>> albums;
    for (const FileTarget &target : targets) {
        if (size_t(target.album) >= albums.size())
            albums.resize(size_t(target.album) + 1);
        albums[size_t(target.album)].push_back(target);
    }
    albums.erase(std::remove_if(albums.begin(), albums.end(), [](const auto &album) { return album.empty(); }),
                 albums.end());
    return albums;
}

void forEachReadTarget(const std::vector<FileTarget> &targets, const char *what, Console &console,
                       const std::function<void(const FileTarget &, const TagReading &)> &handle, bool withId3v2Version)
{
    console.startProgress(what, qsizetype(targets.size()));
    qsizetype done = 0;
    for (const FileTarget &target : targets) {
        console.progress(done++);
        const TagReading reading = readTagFile(target.path, withId3v2Version);
        if (reading.status)
            handle(target, reading);
        else
            console.fileFailed(target.path, reading.status.description());
    }
    console.endProgress();
}
