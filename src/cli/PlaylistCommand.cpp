#include "cli/PlaylistCommand.h"

#include "cli/CodePageCommand.h"
#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "tags/playlist/Playlist.h"
#include "tags/text/TextEscape.h"

#include <cerrno>

namespace {

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// Where the playlist goes without -o: in the folder, named after it ("Album/Album.m3u8").
QByteArray defaultPlaylistPath(const QByteArray &folder)
{
    const QByteArray real = realFolderPath(folder);
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
    const QByteArray outputFolder = realFolderPath(parentOf(output));
    Console console;
    if (outputFolder.isEmpty()) {
        console.fileFailed(output, FileStatus::fromLastError().description());
        return ExitSomeFailed;
    }
    // Each album in its own track order, one after another.
    std::vector<PlaylistItem> items;
    for (const std::vector<FileTarget> &album : albumsOf(commandTargets(line, console))) {
        std::vector<QByteArray> paths;
        for (const FileTarget &target : album)
            paths.push_back(target.path);
        for (PlaylistItem &item : albumItems(paths, outputFolder, *page, [&console](const QByteArray &path, const QString &why) {
                 console.fileFailed(path, why);
             }))
            items.push_back(std::move(item));
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
