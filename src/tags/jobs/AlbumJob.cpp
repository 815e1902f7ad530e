#include "tags/jobs/AlbumJob.h"

#include "tags/jobs/NamePattern.h"
#include "tags/jobs/TextFields.h"
#include "tags/mpeg/MpegStream.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// Two titles this alike are the same song told differently ("Dont Stop" and "Don't Stop!").
constexpr double SameTitle = 0.75;
// A length matches a track only when it is this near, and every other track is this much further.
constexpr qint64 NearLengthMs = 3000;
constexpr qint64 LengthMarginMs = 2000;

// Letters and digits in lower case without accents or apostrophes, runs of anything else one space.
QString plainWords(const QString &text)
{
    QString plain;
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    plain.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        // "Don't" and "Dont" are the same word.
        if (c.category() == QChar::Mark_NonSpacing || c == QLatin1Char('\'') || c == QChar(0x2019))
            continue;
        plain += c.isLetterOrNumber() ? c.toLower() : QChar(' ');
    }
    return plain.simplified();
}

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j) - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

double plainLikeness(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return 0;
    return 1.0 - double(editDistance(a, b)) / double(std::max(a.size(), b.size()));
}

// The ways a file's name may hold a title: whole, without a leading track number ("01 - ",
// "A1. "), and the part after its last " - " ("Artist - Title").
QStringList titlesInName(const QString &name)
{
    static const QRegularExpression leadingNumber(QStringLiteral(R"(^\s*[A-Za-z]?\d{1,3}(?:\s*[-._)\]]+\s*|\s+))"));
    const QString base = baseNameOf(name);
    QStringList forms{base};
    if (QString rest = QString(base).remove(leadingNumber); rest != base)
        forms += rest;
    if (const qsizetype dash = base.lastIndexOf(QStringLiteral(" - ")); dash >= 0)
        forms += base.mid(dash + 3);
    return forms;
}

double fileLikeness(const AlbumFileFacts &file, const QString &trackTitle)
{
    const QString track = plainWords(trackTitle);
    double best = plainLikeness(plainWords(file.title), track);
    for (const QString &form : titlesInName(file.name))
        best = std::max(best, plainLikeness(plainWords(form), track));
    return best;
}

class Matcher {
public:
    Matcher(const std::vector<AlbumFileFacts> &files, const std::vector<AlbumTrack> &tracks)
        : m_files(files), m_tracks(tracks), m_matches(files.size()), m_taken(tracks.size(), false)
    {
    }

    std::vector<AlbumMatch> run()
    {
        byTrackNumber();
        byTitle();
        byLength();
        byOrder();
        return m_matches;
    }

private:
    bool isFree(size_t file) const { return m_matches[file].track < 0; }

    void take(size_t file, size_t track, MatchRule rule)
    {
        m_matches[file] = {int(track), rule};
        m_taken[track] = true;
    }

    // A number counts only when one file holds it and one track has it (the discs of a release
    // each begin at 1).
    void byTrackNumber()
    {
        QHash<int, int> files, tracks;
        for (const AlbumFileFacts &file : m_files)
            ++files[file.trackNumber];
        for (const AlbumTrack &track : m_tracks)
            ++tracks[track.position];
        for (size_t f = 0; f < m_files.size(); ++f) {
            const int number = m_files[f].trackNumber;
            if (number <= 0 || files.value(number) != 1 || tracks.value(number) != 1)
                continue;
            for (size_t t = 0; t < m_tracks.size(); ++t) {
                if (m_tracks[t].position == number && !m_taken[t])
                    take(f, t, MatchRule::TrackNumber);
            }
        }
    }

    // The most alike pairs first, so that "Track 1" goes to "Track 1" before "Track 10" can take it.
    void byTitle()
    {
        struct Pair {
            double likeness;
            size_t file, track;
        };
        std::vector<Pair> pairs;
        for (size_t f = 0; f < m_files.size(); ++f) {
            for (size_t t = 0; isFree(f) && t < m_tracks.size(); ++t) {
                if (m_taken[t])
                    continue;
                if (const double likeness = fileLikeness(m_files[f], m_tracks[t].title); likeness >= SameTitle)
                    pairs.push_back({likeness, f, t});
            }
        }
        std::stable_sort(pairs.begin(), pairs.end(), [](const Pair &a, const Pair &b) { return a.likeness > b.likeness; });
        for (const Pair &pair : pairs) {
            if (isFree(pair.file) && !m_taken[pair.track])
                take(pair.file, pair.track, MatchRule::Title);
        }
    }

    static qint64 distance(qint64 a, qint64 b) { return std::abs(a - b); }

    // The free track nearest in length to the free file, when it is near and clearly the nearest.
    std::optional<size_t> clearlyNearestTrack(size_t file) const
    {
        const qint64 length = *m_files[file].lengthMs;
        std::optional<size_t> best;
        qint64 bestGap = std::numeric_limits<qint64>::max(), secondGap = bestGap;
        for (size_t t = 0; t < m_tracks.size(); ++t) {
            if (m_taken[t] || !m_tracks[t].lengthMs)
                continue;
            const qint64 gap = distance(length, *m_tracks[t].lengthMs);
            if (gap < bestGap) {
                secondGap = bestGap;
                bestGap = gap;
                best = t;
            } else {
                secondGap = std::min(secondGap, gap);
            }
        }
        if (!best || bestGap > NearLengthMs || secondGap - bestGap < LengthMarginMs)
            return std::nullopt;
        return best;
    }

    // Whether no other free file is nearly as near to track as file is.
    bool clearlyNearestFile(size_t track, size_t file) const
    {
        const qint64 length = *m_tracks[track].lengthMs;
        const qint64 gap = distance(length, *m_files[file].lengthMs);
        for (size_t f = 0; f < m_files.size(); ++f) {
            if (f != file && isFree(f) && m_files[f].lengthMs
                && distance(length, *m_files[f].lengthMs) - gap < LengthMarginMs)
                return false;
        }
        return true;
    }

    void byLength()
    {
        for (bool found = true; found;) {
            found = false;
            for (size_t f = 0; f < m_files.size(); ++f) {
                if (!isFree(f) || !m_files[f].lengthMs)
                    continue;
                const std::optional<size_t> track = clearlyNearestTrack(f);
                if (track && clearlyNearestFile(*track, f)) {
                    take(f, *track, MatchRule::Length);
                    found = true;
                }
            }
        }
    }

    void byOrder()
    {
        size_t t = 0;
        for (size_t f = 0; f < m_files.size(); ++f) {
            if (!isFree(f))
                continue;
            while (t < m_tracks.size() && m_taken[t])
                ++t;
            if (t == m_tracks.size())
                return;
            take(f, t, MatchRule::Order);
        }
    }

    const std::vector<AlbumFileFacts> &m_files;
    const std::vector<AlbumTrack> &m_tracks;
    std::vector<AlbumMatch> m_matches;
    std::vector<bool> m_taken;
};

// The value most of the texts share (more than half), else empty.
QString sharedByMost(const QStringList &texts, size_t total)
{
    QHash<QString, int> counts;
    for (const QString &text : texts) {
        if (!text.isEmpty() && size_t(++counts[text]) * 2 > total)
            return text;
    }
    return {};
}

}  // namespace

QString AlbumRelease::year() const
{
    const QString year = date.left(4);
    const bool digits = year.size() == 4 && std::all_of(year.begin(), year.end(), [](QChar c) { return c.isDigit(); });
    return digits ? year : QString();
}

std::vector<AlbumTrack> AlbumRelease::tracksOf(int disc) const
{
    std::vector<AlbumTrack> chosen;
    std::copy_if(tracks.begin(), tracks.end(), std::back_inserter(chosen),
                 [disc](const AlbumTrack &track) { return disc == 0 || track.disc == disc; });
    return chosen;
}

AlbumFileFacts albumFactsOf(const JobFile &file, const TagReading &reading, const CodePage &page,
                            std::optional<qint64> lengthMs)
{
    return {reading.track(), file.display, fieldText(reading, TagField::Title, page).trimmed(), lengthMs};
}

std::vector<AlbumFileFacts> albumFactsOf(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                                         const CodePage &page)
{
    std::vector<AlbumFileFacts> facts;
    for (size_t i = 0; i < files.size() && i < readings.size(); ++i)
        facts.push_back(albumFactsOf(files[i], readings[i], page, MpegStream::lengthMs(QFile::decodeName(files[i].path))));
    return facts;
}

QString albumTrackLabel(const AlbumTrack &track)
{
    QString label = (track.number.isEmpty() ? QString::number(track.position) : track.number) + QLatin1Char(' ') + track.title;
    if (track.lengthMs) {
        const qint64 seconds = (*track.lengthMs + 500) / 1000;
        label += QStringLiteral(" (%1:%2)").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    return label;
}

std::optional<qint64> lengthDifferenceMs(const AlbumFileFacts &file, const AlbumTrack &track)
{
    if (!file.lengthMs || !track.lengthMs)
        return std::nullopt;
    return *file.lengthMs - *track.lengthMs;
}

QString lengthDifferenceText(qint64 differenceMs)
{
    if (std::abs(differenceMs) < 50)
        return QStringLiteral("same length");  // within a frame or two
    return QStringLiteral("%1 s %2").arg(QString::number(double(std::abs(differenceMs)) / 1000.0, 'f', 1),
                                         differenceMs < 0 ? QStringLiteral("shorter") : QStringLiteral("longer"));
}

const char *matchRuleName(MatchRule rule)
{
    switch (rule) {
    case MatchRule::TrackNumber: return "track number";
    case MatchRule::Title: return "title";
    case MatchRule::Length: return "length";
    case MatchRule::Order: return "order";
    case MatchRule::Chosen: return "chosen";
    case MatchRule::LeftOut: return "left out";
    case MatchRule::None: return "no track";
    }
    return "";
}

std::vector<AlbumMatch> matchAlbum(const std::vector<AlbumFileFacts> &files, const std::vector<AlbumTrack> &tracks)
{
    return Matcher(files, tracks).run();
}

double titleLikeness(const QString &a, const QString &b)
{
    return fileLikeness({0, a, {}, std::nullopt}, b);
}

int albumDiscFor(const AlbumRelease &release, size_t fileCount)
{
    if (release.tracks.size() == fileCount)
        return 0;
    for (const AlbumDisc &disc : release.discs) {
        if (size_t(disc.trackCount) == fileCount)
            return disc.position;
    }
    return 0;
}

JobPlanner albumPlanner(const AlbumRelease &release, const std::vector<AlbumTrack> &tracks,
                        const std::vector<JobFile> &files, const std::vector<AlbumMatch> &matches)
{
    // By path, so that the planner does not depend on being called once per file in order.
    QHash<QByteArray, AlbumMatch> matchOf;
    for (size_t i = 0; i < files.size() && i < matches.size(); ++i)
        matchOf.insert(files[i].path, matches[i]);
    return [release, tracks, matchOf](const JobFile &file, const TagReading &, FieldEdits &edits, QString &reason) {
        const AlbumMatch match = matchOf.value(file.path);
        if (match.rule == MatchRule::LeftOut) {
            reason = QStringLiteral("left out");
            return false;
        }
        if (match.track < 0 || size_t(match.track) >= tracks.size()) {
            reason = QStringLiteral("no track of the release left for this file");
            return false;
        }
        const AlbumTrack &track = tracks[size_t(match.track)];
        edits.title = track.title;
        edits.artist = track.artist.isEmpty() ? release.artist : track.artist;
        edits.album = release.title;
        if (const QString year = release.year(); !year.isEmpty())
            edits.year = year;
        if (track.position >= 1 && track.position <= 255)
            edits.track = track.position;
        edits.cutToFit = true;
        // What the service sends is input: a control character never reaches a tag.
        return refuseControlCharacters(edits, reason);
    };
}

AlbumSearch albumSearchFor(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                           const CodePage &page, const QString &folderName)
{
    QStringList artists, albums;
    for (const TagReading &reading : readings) {
        artists += fieldText(reading, TagField::Artist, page).trimmed();
        albums += fieldText(reading, TagField::Album, page).trimmed();
    }
    AlbumSearch search{sharedByMost(artists, files.size()), sharedByMost(albums, files.size())};
    if (!search.artist.isEmpty() || !search.album.isEmpty())
        return search;
    const qsizetype dash = folderName.indexOf(QStringLiteral(" - "));
    if (dash < 0)
        return {{}, folderName.trimmed()};
    return {folderName.left(dash).trimmed(), folderName.mid(dash + 3).trimmed()};
}
