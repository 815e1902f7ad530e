#include "tags/playlist/Playlist.h"

#include "tags/codepage/CodePage.h"
#include "tags/jobs/TextFields.h"
#include "tags/journal/JournalFiles.h"
#include "tags/trailer/FileRename.h"
#include "tags/trailer/SaveChecks.h"
#include "tags/mpeg/MpegStream.h"
#include "tags/trailer/TagCore.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A text from a tag on one line of the playlist: a control character (a line break among them)
// becomes a space.
QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            c = u' ';
    }
    return line.trimmed();
}

}  // namespace

PlaylistItem playlistItem(const QByteArray &path, const QByteArray &name, const TagReading &reading,
                          const CodePage &page)
{
    PlaylistItem item;
    item.path = path;
    item.title = oneLine(fieldText(reading, TagField::Title, page));
    item.artist = oneLine(fieldText(reading, TagField::Artist, page));
    QString shownName = QString::fromUtf8(name);
    if (shownName.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        shownName.chop(4);
    item.fallback = oneLine(shownName);
    item.track = reading.track();
    return item;
}

QByteArray realFolderPath(const QByteArray &folder)
{
    return SaveChecks::resolvedPath(folder.isEmpty() ? QByteArray(".") : folder);
}

std::vector<PlaylistItem> albumItems(const std::vector<QByteArray> &paths, const QByteArray &playlistFolder,
                                     const CodePage &page,
                                     const std::function<void(const QByteArray &path, const QString &why)> &failed)
{
    QHash<QByteArray, QByteArray> realFolders;  // a folder as named -> as it really is
    std::vector<PlaylistItem> items;
    for (const QByteArray &path : paths) {
        const TagReading reading = readTagFile(path);
        if (!reading.status) {
            failed(path, reading.status.description());
            continue;
        }
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray named = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
        const QByteArray name = path.mid(slash + 1);
        if (!realFolders.contains(named))
            realFolders.insert(named, realFolderPath(named));
        const QByteArray real = realFolders.value(named);
        if (real.isEmpty()) {
            failed(path, FileStatus::fromLastError().description());
            continue;
        }
        PlaylistItem item = playlistItem(relativePath(playlistFolder, real + '/' + name), name, reading, page);
        item.lengthMs = MpegStream::lengthMs(QFile::decodeName(path));
        items.push_back(std::move(item));
    }
    sortForPlaylist(items);
    return items;
}

void sortForPlaylist(std::vector<PlaylistItem> &items)
{
    std::stable_sort(items.begin(), items.end(), [](const PlaylistItem &a, const PlaylistItem &b) {
        return a.track != 0 && (b.track == 0 || a.track < b.track);
    });
}

QByteArray playlistText(const std::vector<PlaylistItem> &items)
{
    QByteArray text = "#EXTM3U\n";
    for (const PlaylistItem &item : items) {
        const qint64 seconds = item.lengthMs ? (*item.lengthMs + 500) / 1000 : -1;
        const QString title = item.title.isEmpty() ? item.fallback : item.title;
        const QString shown = item.artist.isEmpty() ? title : item.artist + QStringLiteral(" - ") + title;
        text += "#EXTINF:" + QByteArray::number(seconds) + ',' + shown.toUtf8() + '\n';
        text += item.path + '\n';
    }
    return text;
}

QByteArray relativePath(const QByteArray &folder, const QByteArray &target)
{
    const QList<QByteArray> from = folder.split('/'), to = target.split('/');
    qsizetype shared = 0;
    while (shared < from.size() && shared + 1 < to.size() && from[shared] == to[shared])
        ++shared;
    QByteArray path;
    for (qsizetype i = shared; i < from.size(); ++i) {
        if (!from[i].isEmpty())
            path += "../";
    }
    for (qsizetype i = shared; i < to.size(); ++i)
        path += to[i] + (i + 1 < to.size() ? "/" : "");
    return path;
}

FileStatus writePlaylist(const QByteArray &path, const QByteArray &text, bool replace)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    QByteArray temporary = folder + "/.velmora-playlist-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return FileStatus::fromLastError();
    (void)::fchmod(fd, 0644);  // as a playlist saved by any program is: readable by the players of others
    const bool written = JournalFiles::writeAll(fd, text) && ::fsync(fd) == 0;
    FileStatus status = written ? FileStatus::success() : FileStatus::fromLastError();
    if (::close(fd) != 0 && status)
        status = FileStatus::fromLastError();
    if (status) {
        if (replace)
            status = ::rename(temporary.constData(), path.constData()) == 0 ? FileStatus::success()
                                                                           : FileStatus::fromLastError();
        else
            status = renameNoReplace(temporary, path);
    }
    if (!status)
        ::unlink(temporary.constData());
    return status;
}
