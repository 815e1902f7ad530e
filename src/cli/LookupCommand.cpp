#include "cli/LookupCommand.h"

#include "cli/CommandLine.h"
#include "online/MusicBrainzClient.h"
#include "tags/jobs/AlbumJob.h"
#include "tags/text/TextEscape.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <memory>
#include <optional>

namespace {

// Messages quote what the service sent: nothing in them may act on the terminal.
void sayOnStandardError(const QString &text)
{
    writeToStandardError((QStringLiteral("lookup: ") + TextEscape::visible(text, false) + QLatin1Char('\n')).toLocal8Bit());
}

QByteArray escapedText(const QString &text, bool json)
{
    const QByteArray escaped = TextEscape::escaped(text.toUtf8(), json ? TextEscape::Json : TextEscape::Plain);
    return json ? '"' + escaped + '"' : escaped;
}

int printReleases(const std::vector<ReleaseSummary> &releases, bool json, Output &out, Console &console)
{
    QByteArray &text = out.buffer();
    text += json ? "[" : "mbid\tscore\ttitle\tartist\tdate\ttracks\n";
    bool first = true;
    for (const ReleaseSummary &release : releases) {
        if (json) {
            text += QByteArray(first ? "\n" : ",\n") + "{\"mbid\":" + escapedText(release.id, true) + ",\"score\":"
                    + QByteArray::number(release.score) + ",\"title\":" + escapedText(release.title, true)
                    + ",\"artist\":" + escapedText(release.artist, true) + ",\"date\":" + escapedText(release.date, true)
                    + ",\"tracks\":" + QByteArray::number(release.trackCount) + ",\"country\":"
                    + escapedText(release.country, true) + ",\"format\":" + escapedText(release.format, true) + '}';
        } else {
            text += escapedText(release.id, false) + '\t' + QByteArray::number(release.score) + '\t'
                    + escapedText(release.title, false) + '\t' + escapedText(release.artist, false) + '\t'
                    + escapedText(release.date, false) + '\t' + QByteArray::number(release.trackCount) + '\n';
        }
        first = false;
    }
    if (json)
        text += releases.empty() ? "]\n" : "\n]\n";
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}

// "A1 Harbour Lights (3:00), by title, 0.2 s longer"
QString matchNote(const AlbumMatch &match, const std::vector<AlbumTrack> &tracks, const AlbumFileFacts &file)
{
    if (match.track < 0)
        return QStringLiteral("no track left for this file");
    const AlbumTrack &track = tracks[size_t(match.track)];
    QString note = albumTrackLabel(track) + QStringLiteral(", by ") + QLatin1String(matchRuleName(match.rule));
    if (const std::optional<qint64> difference = lengthDifferenceMs(file, track)) {
        note += QStringLiteral(", ") + lengthDifferenceText(*difference);
        if (qAbs(*difference) > AlbumLengthWarningMs)
            note += QStringLiteral(" (over 10 s: look again)");
    }
    return note;
}


// What looking up one album folder gives: its planner, or none (said on standard error); exit: the
// command ends now with that status (--list printed, or the one album given could not be looked up).
struct AlbumLookup {
    JobPlanner planner;  // none: the folder is left as it is
    std::optional<int> exit;
};

// A planner that leaves every file of a folder as it is, with the reason.
JobPlanner leftAlone(const QString &reason)
{
    return [reason](const JobFile &, const TagReading &, FieldEdits &, QString &why) {
        why = reason;
        return false;
    };
}

AlbumLookup lookUpAlbum(const std::vector<JobFile> &files, const LookupRequest &request, const CodePage &page,
                        MusicBrainzClient &client, Output &out, Console &console)
{
    AlbumLookup looked;
    // The album's own folder (a file's folder names where the command began, the saves' limit).
    const QByteArray &first = files.front().path;
    const QByteArray folder = first.contains('/') ? first.left(first.lastIndexOf('/')) : QByteArray(".");
    // In a tree, each message names its folder.
    const QString where = request.recursive ? QFile::decodeName(folder) + QStringLiteral(": ") : QString();
    auto fail = [&](const QString &problem) {
        sayOnStandardError(where + problem);
        if (!request.recursive)
            looked.exit = ExitSomeFailed;
        return looked;
    };
    const std::vector<TagReading> readings = readJobFiles(files);
    QString problem;
    QString releaseId = request.release;
    if (releaseId.isEmpty() || request.list) {
        AlbumSearch search = albumSearchFor(files, readings, page, QFile::decodeName(folder.mid(folder.lastIndexOf('/') + 1)));
        if (request.artistGiven)
            search.artist = request.artist;
        if (request.albumGiven)
            search.album = request.album;
        std::optional<std::vector<ReleaseSummary>> releases = client.searchReleasesNow(search.artist, search.album, problem);
        if (!releases)
            return fail(problem);
        sortReleasesFor(*releases, files.size());
        if (request.list) {
            looked.exit = printReleases(*releases, request.job.json, out, console);
            return looked;
        }
        if (releases->empty() || size_t(releases->front().trackCount) != files.size())
            return fail(QStringLiteral("no release found for artist \"%1\", album \"%2\" has %3 tracks, as the folder has "
                                       "files; --list shows the releases found, --release chooses one. Nothing was written.")
                            .arg(search.artist, search.album).arg(files.size()));
        const ReleaseSummary &chosen = releases->front();
        releaseId = chosen.id;
        sayOnStandardError(where + QStringLiteral("release %1: \"%2\" by %3 (%4, %5 tracks, score %6)")
                                       .arg(chosen.id, chosen.title, chosen.artist,
                                            chosen.date.isEmpty() ? QStringLiteral("no date") : chosen.date)
                                       .arg(chosen.trackCount).arg(chosen.score));
    }
    const std::optional<AlbumRelease> release = client.fetchReleaseNow(releaseId, problem);
    if (!release)
        return fail(problem);
    const std::vector<AlbumTrack> tracks = release->tracksOf(albumDiscFor(*release, files.size()));
    const std::vector<AlbumFileFacts> facts = albumFactsOf(files, readings, page);
    const std::vector<AlbumMatch> matches = matchAlbum(facts, tracks);
    for (size_t i = 0; i < files.size(); ++i)
        console.fileNote(files[i].path, matchNote(matches[i], tracks, facts[i]));
    looked.planner = albumPlanner(*release, tracks, files, matches);
    return looked;
}

}  // namespace

bool readLookupRequest(const CommandLine &line, LookupRequest &request, const CodePage *&page, QString &problem)
{
    // --json also goes with --list, which writes nothing either.
    CommandLine jobLine = line;
    request.list = line.has("--list");
    if (request.list)
        jobLine.options.erase("--json");
    if (!readJobOptions(jobLine, request.job, page, problem))
        return false;
    request.job.json = line.has("--json");
    request.recursive = line.has("--recursive");
    if (line.operands.size() != 1) {
        problem = QStringLiteral("lookup takes one folder");
        return false;
    }
    if (const std::optional<QByteArray> artist = line.value("--artist")) {
        request.artist = QString::fromLocal8Bit(*artist);
        request.artistGiven = true;
    }
    if (const std::optional<QByteArray> album = line.value("--album")) {
        request.album = QString::fromLocal8Bit(*album);
        request.albumGiven = true;
    }
    request.release = QString::fromLocal8Bit(line.value("--release").value_or(QByteArray())).trimmed();
    const QString server = line.has("--server") ? QString::fromLocal8Bit(*line.value("--server")) : storedServerText();
    if (!readServerUrl(server, request.server, problem)) {
        problem = (line.has("--server") ? QStringLiteral("--server: ") : QStringLiteral("[Online] MusicBrainzServer: ")) + problem;
        return false;
    }
    request.job.fields = {TagField::Title, TagField::Artist, TagField::Album, TagField::Year, TagField::Track};
    return true;
}

int lookupAlbum(const std::vector<FileTarget> &targets, const LookupRequest &request, const CodePage &page,
                Output &out, Console &console)
{
    // The network runs on an event loop, which needs the application object the rest of the
    // command does without.
    std::unique_ptr<QCoreApplication> application;
    static int argc = 1;
    static char name[] = "velmora-cli";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        application = std::make_unique<QCoreApplication>(argc, argv);

    if (targets.empty()) {
        sayOnStandardError(QStringLiteral("no MP3 files to match, so nothing was looked up"));
        return ExitSomeFailed;
    }
    MusicBrainzOptions options;
    options.server = request.server;
    MusicBrainzClient client(options);
    // Each folder of a tree is an album of its own: looked up, matched and planned on its own,
    // then all of them applied as one batch. A folder without its release is left as it is.
    QHash<QByteArray, JobPlanner> plannerOfAlbum;  // by the album's first file
    int leftAlbums = 0;
    for (const std::vector<FileTarget> &album : albumsOf(targets)) {
        const std::vector<JobFile> files = jobFilesOf(album);
        AlbumLookup looked = lookUpAlbum(files, request, page, client, out, console);
        if (looked.exit)
            return *looked.exit;
        if (!looked.planner) {
            ++leftAlbums;
            looked.planner = leftAlone(QStringLiteral("the folder's release was not found"));
        }
        plannerOfAlbum.insert(files.front().path, looked.planner);
    }
    if (leftAlbums == plannerOfAlbum.size())
        return ExitSomeFailed;
    const int status = runJobCommand(targets, [&plannerOfAlbum](const std::vector<JobFile> &files) {
        return plannerOfAlbum.value(files.front().path);
    }, request.job, page, out, console);
    return status == ExitDone && leftAlbums > 0 ? ExitSomeFailed : status;
}
