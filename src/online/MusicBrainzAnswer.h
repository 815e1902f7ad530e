#pragma once
// The web service's answers read into the job's terms: a release search (the releases found) and
// one release with its media and tracks. An answer that is not what the service documents (not
// JSON, a field missing or of another type) is refused with what was wrong; nothing of it is used.

#include "tags/jobs/AlbumJob.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// One release as a search lists it.
struct ReleaseSummary {
    QString id, title, artist, date, country;
    QString format;      // the media's formats, "CD" or "2×CD" or "CD + DVD"
    int trackCount = 0;  // all media's
    int score = 0;       // 0 to 100, how well it matches the search
};

// The releases of a search answer, as listed; none with problem set when it is malformed.
std::optional<std::vector<ReleaseSummary>> parseReleaseSearch(const QByteArray &json, QString &problem);

// A release answer (with its recordings and artist credits).
std::optional<AlbumRelease> parseRelease(const QByteArray &json, QString &problem);

// The releases whose track count is fileCount first, then the others, each part best score first
// (the service's order kept among equals).
void sortReleasesFor(std::vector<ReleaseSummary> &releases, size_t fileCount);
