#include "cli/PlaylistCommand.h"

#include "cli/CodePageCommand.h"
#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "tags/mpeg/MpegStream.h"
#include "tags/playlist/Playlist.h"
#include "tags/text/TextEscape.h"
#include "tags/trailer/TagCore.h"

#include <QFile>
#include <QHash>

#include <cerrno>
#include <cstdlib>

namespace {

// The folder's real path (every link resolved); empty when it cannot be found.
QByteArray realFolder(const QByteArray &folder)
{
    char *resolved = ::realpath(folder.isEmpty() ? "." : folder.constData(), nullptr);
    if (!resolved)
        return {};
    const QByteArray real(resolved);
    std::free(resolved);
    return real;
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Where the playlist goes without -o: in the folder, named after it ("Album/Album.m3u8").
QByteArray defaultPlaylistPath(const QByteArray &folder)
{
    const QByteArray real = realFolder(folder);
    const QByteArray name = real.mid(real.lastIndexOf('/') + 1);
    return (folder.endsWith('/') ? folder : folder + '/') + (name.isEmpty() ? QByteArray("playlist") : name) + ".m3u8";
}

}  // namespace

int runPlaylist(const CommandLine &line)
{
    const CodePage *page = nullptr;
    QString problem;
    if (!chosenCodePage(line, page, problem)) {
        Console::usageError(problem);
        return ExitBadUsage;
    }
    if (line.operands.size() != 1) {
        Console::usageError(QStringLiteral("playlist takes one folder"));
        return ExitBadUsage;
    }
    const QByteArray folder = line.operands.front();
    const QByteArray output = line.value("--output").value_or(defaultPlaylistPath(folder));
    const QByteArray outputFolder = realFolder(parentOf(output));
    Console console;
    if (outputFolder.isEmpty()) {
        console.fileFailed(output, FileStatus::fromLastError().description());
        return ExitSomeFailed;
    }
    QHash<QByteArray, QByteArray> realFolders;  // a file's folder as named -> as it really is
    std::vector<PlaylistItem> items;
    for (const std::vector<FileTarget> &album : albumsOf(commandTargets(line, console))) {
        std::vector<PlaylistItem> albumItems;
        forEachReadTarget(album, "playlist", console, [&](const FileTarget &target, const TagReading &reading) {
            const QByteArray named = parentOf(target.path);
            if (!realFolders.contains(named))
                realFolders.insert(named, realFolder(named));
            const QByteArray real = realFolders.value(named);
            PlaylistItem item = playlistItem(relativePath(outputFolder, real + '/' + target.name), target.name, reading, *page);
            item.lengthMs = MpegStream::lengthMs(QFile::decodeName(target.path));
            albumItems.push_back(std::move(item));
        });
        sortForPlaylist(albumItems);
        std::move(albumItems.begin(), albumItems.end(), std::back_inserter(items));
    }
    const FileStatus written = writePlaylist(output, playlistText(items), line.has("--force"));
    if (!written) {
        console.fileFailed(output, written.code() == EEXIST ? QStringLiteral("exists already; --force replaces it")
                                                             : written.description());
        return ExitSomeFailed;
    }
    writeToStandardError("playlist: " + QByteArray::number(qsizetype(items.size())) + " files in "
                         + TextEscape::escaped(output) + '\n');
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
