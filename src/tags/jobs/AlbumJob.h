#pragma once
// Album from MusicBrainz: an album's release (its title, artist, year and tracks, as an online
// database gives them) written into the folder's files, each file matched to one track first.
//
// Matching goes by the surest evidence a file has: its ID3v1.1 track number; else how alike its
// name (or its title) and a track's title are; else its length against the tracks' lengths, only
// when one track is clearly the nearest; the files left over take the tracks left over in the
// list's order. Each match says which rule made it, so that the preview can show it.

#include "tags/jobs/FolderJob.h"

#include <QString>

#include <optional>
#include <vector>

class CodePage;

// The job's name, as its dialog, the journal's batches and Edit > Undo say it.
constexpr char AlbumJobTitle[] = "Album from MusicBrainz";

struct AlbumTrack {
    int disc = 1;       // the medium's position in the release, from 1
    int position = 0;   // the track's position on its medium: the ID3v1.1 track number
    QString number;     // as the release prints it ("7", or "A1" on vinyl)
    QString title;
    QString artist;     // the track's own artist credit, names joined with their join phrases
    std::optional<qint64> lengthMs;
};

struct AlbumDisc {
    int position = 1;
    QString format;  // "CD", "12\" Vinyl", ...; may be empty
    QString title;
    int trackCount = 0;
};

struct AlbumRelease {
    QString id;  // the database's identifier (MBID)
    QString title, artist, date, country;
    std::vector<AlbumDisc> discs;
    std::vector<AlbumTrack> tracks;  // every disc's, in order

    QString year() const;  // the first four characters of the date when they are digits; else empty
    // The tracks of one disc (0: every disc), in order.
    std::vector<AlbumTrack> tracksOf(int disc) const;
};

// What matching knows of one file.
struct AlbumFileFacts {
    int trackNumber = 0;  // ID3v1.1, 0: none
    QString name;         // the file's name as shown
    QString title;        // its ID3v1 title, decoded
    std::optional<qint64> lengthMs;
};

AlbumFileFacts albumFactsOf(const JobFile &file, const TagReading &reading, const CodePage &page,
                            std::optional<qint64> lengthMs);
// Every file's facts, its length read from its MPEG frames.
std::vector<AlbumFileFacts> albumFactsOf(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                                         const CodePage &page);

// "A1 Harbour Lights (3:00)": the number as printed, the title, the length when known.
QString albumTrackLabel(const AlbumTrack &track);
// The file's length less the track's, when both are known.
std::optional<qint64> lengthDifferenceMs(const AlbumFileFacts &file, const AlbumTrack &track);
// "0.2 s longer", "12.0 s shorter", "same length" (within 50 ms).
QString lengthDifferenceText(qint64 differenceMs);

enum class MatchRule { TrackNumber, Title, Length, Order, Chosen, LeftOut, None };

// "track number", "title", "length", "order", "chosen", "left out", "no track".
const char *matchRuleName(MatchRule rule);

struct AlbumMatch {
    int track = -1;  // index into the tracks matched against; -1: none
    MatchRule rule = MatchRule::None;
};

// Each file (in the list's order) matched to at most one track, no track twice.
std::vector<AlbumMatch> matchAlbum(const std::vector<AlbumFileFacts> &files, const std::vector<AlbumTrack> &tracks);

// How alike two titles are, from 0 to 1, letter case, accents, punctuation and a file name's
// leading number and extension aside.
double titleLikeness(const QString &a, const QString &b);

// A difference in length over this is shown as one to look at.
constexpr qint64 AlbumLengthWarningMs = 10000;

// The disc whose tracks a folder of fileCount files is matched to: every disc (0) when the whole
// release has as many tracks, else the first disc that has, else every disc.
int albumDiscFor(const AlbumRelease &release, size_t fileCount);

// The planner of previewJob: each file of files takes title, artist, album, year and track
// number from the track matches gives it (in files' order), a value longer than its field cut to
// fit. A file with no track, or left out, is skipped.
JobPlanner albumPlanner(const AlbumRelease &release, const std::vector<AlbumTrack> &tracks,
                        const std::vector<JobFile> &files, const std::vector<AlbumMatch> &matches);

// The artist and album to search for: those most of the files share (more than half of them),
// else the folder's name read as "Artist - Album" (or all of it as the album).
struct AlbumSearch {
    QString artist, album;
};
AlbumSearch albumSearchFor(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                           const CodePage &page, const QString &folderName);
