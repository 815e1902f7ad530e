#include "online/MusicBrainzAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMap>

#include <algorithm>

namespace {

// Reads fields of one JSON object, remembering the first that is missing or of another type.
class Fields {
public:
    Fields(const QJsonObject &object, const QString &where, QString &problem)
        : m_object(object), m_where(where), m_problem(problem)
    {
    }

    QString text(const char *key, bool required = false) const
    {
        return valueOf(key, required, &QJsonValue::isString, "a text").toString();
    }

    // A whole number; the search's score came as text in older answers, so text digits count too.
    std::optional<qint64> number(const char *key, bool required = false) const
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isDouble() && value.toDouble() == double(qint64(value.toDouble())))
            return qint64(value.toDouble());
        bool ok = false;
        if (const qint64 parsed = value.toString().toLongLong(&ok); value.isString() && ok)
            return parsed;
        if (required || !isAbsent(value))
            fail(key, "a whole number");
        return std::nullopt;
    }

    QJsonArray array(const char *key, bool required = false) const
    {
        return valueOf(key, required, &QJsonValue::isArray, "a list").toArray();
    }

    // Every element of an array is an object.
    std::vector<QJsonObject> objects(const char *key, bool required = false) const
    {
        std::vector<QJsonObject> objects;
        for (const QJsonValue &value : array(key, required)) {
            if (!value.isObject()) {
                fail(key, "a list of objects");
                return {};
            }
            objects.push_back(value.toObject());
        }
        return objects;
    }

private:
    static bool isAbsent(const QJsonValue &value) { return value.isUndefined() || value.isNull(); }

    // The value at key when it is of the kind is tells; else none, a fault unless it is absent and
    // not required.
    QJsonValue valueOf(const char *key, bool required, bool (QJsonValue::*is)() const, const char *kind) const
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if ((value.*is)())
            return value;
        if (required || !isAbsent(value))
            fail(key, kind);
        return {};
    }

    void fail(const char *key, const char *kind) const
    {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("%1 \"%2\" is not %3").arg(m_where, QLatin1String(key), QLatin1String(kind));
    }

    const QJsonObject &m_object;
    QString m_where;
    QString &m_problem;
};

std::optional<QJsonObject> documentOf(const QByteArray &json, QString &problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        problem = QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        problem = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return document.object();
}

// The names of a credit joined with their join phrases ("A feat. B").
QString creditText(const Fields &owner, QString &problem)
{
    QString text;
    for (const QJsonObject &part : owner.objects("artist-credit")) {
        const Fields credit(part, QStringLiteral("an artist credit's"), problem);
        text += credit.text("name", true) + credit.text("joinphrase");
    }
    return text;
}

QString formatsOf(const std::vector<QJsonObject> &media, QString &problem)
{
    QStringList formats;
    QMap<QString, int> counts;
    for (const QJsonObject &medium : media) {
        const QString format = Fields(medium, QStringLiteral("a medium's"), problem).text("format");
        if (!counts.contains(format))
            formats += format;
        ++counts[format];
    }
    QStringList shown;
    for (const QString &format : formats) {
        const QString name = format.isEmpty() ? QStringLiteral("(unknown)") : format;
        shown += counts[format] > 1 ? QStringLiteral("%1×%2").arg(counts[format]).arg(name) : name;
    }
    return shown.join(QStringLiteral(" + "));
}

}  // namespace

std::optional<std::vector<ReleaseSummary>> parseReleaseSearch(const QByteArray &json, QString &problem)
{
    problem.clear();
    const std::optional<QJsonObject> document = documentOf(json, problem);
    if (!document)
        return std::nullopt;
    std::vector<ReleaseSummary> releases;
    for (const QJsonObject &object : Fields(*document, QStringLiteral("the answer's"), problem).objects("releases", true)) {
        const Fields fields(object, QStringLiteral("a release's"), problem);
        ReleaseSummary release;
        release.id = fields.text("id", true);
        release.title = fields.text("title", true);
        release.artist = creditText(fields, problem);
        release.date = fields.text("date");
        release.country = fields.text("country");
        const std::vector<QJsonObject> media = fields.objects("media");
        release.format = formatsOf(media, problem);
        release.trackCount = int(fields.number("track-count").value_or(0));
        release.score = int(fields.number("score").value_or(0));
        releases.push_back(release);
    }
    if (!problem.isEmpty())
        return std::nullopt;
    return releases;
}

std::optional<AlbumRelease> parseRelease(const QByteArray &json, QString &problem)
{
    problem.clear();
    const std::optional<QJsonObject> document = documentOf(json, problem);
    if (!document)
        return std::nullopt;
    const Fields fields(*document, QStringLiteral("the release's"), problem);
    AlbumRelease release;
    release.id = fields.text("id", true);
    release.title = fields.text("title", true);
    release.artist = creditText(fields, problem);
    release.date = fields.text("date");
    release.country = fields.text("country");
    int discNumber = 0;
    for (const QJsonObject &medium : fields.objects("media", true)) {
        const Fields mediumFields(medium, QStringLiteral("a medium's"), problem);
        AlbumDisc disc;
        disc.position = int(mediumFields.number("position").value_or(discNumber + 1));
        discNumber = disc.position;
        disc.format = mediumFields.text("format");
        disc.title = mediumFields.text("title");
        for (const QJsonObject &object : mediumFields.objects("tracks", true)) {
            const Fields track(object, QStringLiteral("a track's"), problem);
            AlbumTrack albumTrack;
            albumTrack.disc = disc.position;
            albumTrack.position = int(track.number("position", true).value_or(0));
            albumTrack.number = track.text("number");
            albumTrack.title = track.text("title", true);
            albumTrack.artist = creditText(track, problem);
            albumTrack.lengthMs = track.number("length");
            release.tracks.push_back(albumTrack);
            ++disc.trackCount;
        }
        release.discs.push_back(disc);
    }
    if (!problem.isEmpty())
        return std::nullopt;
    if (release.tracks.empty()) {
        problem = QStringLiteral("the release has no tracks");
        return std::nullopt;
    }
    return release;
}

void sortReleasesFor(std::vector<ReleaseSummary> &releases, size_t fileCount)
{
    std::stable_sort(releases.begin(), releases.end(), [fileCount](const ReleaseSummary &a, const ReleaseSummary &b) {
        const bool aFits = size_t(a.trackCount) == fileCount, bFits = size_t(b.trackCount) == fileCount;
        if (aFits != bFits)
            return aFits;
        return a.score > b.score;
    });
}
