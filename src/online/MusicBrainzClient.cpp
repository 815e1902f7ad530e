#include "online/MusicBrainzClient.h"

#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

// The moment the next request of this process may start: the service counts requests by client.
QDeadlineTimer &nextRequestSlot()
{
    static QDeadlineTimer slot(0);
    return slot;
}

// A search's words are the service's query language: its operators are escaped to be plain text.
QString escapedQueryText(const QString &text)
{
    static const QString special = QStringLiteral("+-&|!(){}[]^\"~*?:\\/");
    QString escaped;
    for (const QChar c : text.simplified()) {
        if (special.contains(c))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

bool isReleaseId(const QString &id)
{
    static const QRegularExpression mbid(QStringLiteral("^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$"));
    return mbid.match(id).hasMatch();
}

// A Retry-After of seconds (the service sends seconds); none or a date: nothing.
int retryAfterMs(const QNetworkReply &reply)
{
    bool ok = false;
    const int seconds = reply.rawHeader("Retry-After").trimmed().toInt(&ok);
    return ok && seconds > 0 ? seconds * 1000 : 0;
}

}  // namespace

MusicBrainzClient::MusicBrainzClient(MusicBrainzOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_cache(m_options.cacheFolder),
      m_network(new QNetworkAccessManager(this))
{
}

MusicBrainzClient::~MusicBrainzClient() = default;

QByteArray MusicBrainzClient::userAgent()
{
    return "Velmora/" VELMORA_VERSION " ( https://velmora.org/ )";
}

QUrl MusicBrainzClient::searchUrl(const QString &artist, const QString &album) const
{
    QStringList terms;
    if (!artist.trimmed().isEmpty())
        terms += QStringLiteral("artist:(%1)").arg(escapedQueryText(artist));
    if (!album.trimmed().isEmpty())
        terms += QStringLiteral("release:(%1)").arg(escapedQueryText(album));
    QUrl url = m_options.server;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/ws/2/release"));
    url.setQuery(QStringLiteral("query=%1&limit=25&fmt=json")
                     .arg(QString::fromLatin1(QUrl::toPercentEncoding(terms.join(QStringLiteral(" AND "))))));
    return url;
}

QUrl MusicBrainzClient::releaseUrl(const QString &id) const
{
    QUrl url = m_options.server;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QStringLiteral("/ws/2/release/") + id);
    url.setQuery(QStringLiteral("inc=recordings+artist-credits&fmt=json"));
    return url;
}

QString MusicBrainzClient::serverName() const
{
    return m_options.server.toDisplayString(QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
}

// The answer at url read by parse (the result, or none with the problem), kept
// when whole; what (a "release search") names it in the message for one that is not.
template <typename Result>
void MusicBrainzClient::fetchParsed(const QUrl &url, std::optional<Result> (*parse)(const QByteArray &, QString &),
                                    const char *what,
                                    const std::function<void(std::optional<Result>, const QString &)> &done)
{
    auto result = std::make_shared<std::optional<Result>>();
    auto problem = std::make_shared<QString>();
    fetch(url, [result, problem, parse](const QByteArray &body) { return (*result = parse(body, *problem)).has_value(); },
          [this, result, problem, what, done](const QByteArray &, const QString &failure) {
              if (!failure.isEmpty())
                  done(std::nullopt, failure);
              else if (!*result)
                  done(std::nullopt, QStringLiteral("The answer from %1 is not %2 as MusicBrainz gives one (%3), so nothing was changed.")
                                         .arg(serverName(), QLatin1String(what), *problem));
              else
                  done(std::move(*result), {});
          });
}

namespace {

// Runs ask on a loop of its own until its answer comes through the callback it is given.
template <typename Result>
std::optional<Result> waitFor(const std::function<void(std::function<void(std::optional<Result>, const QString &)>)> &ask,
                              QString &problem)
{
    std::optional<Result> result;
    QEventLoop loop;
    bool finished = false;
    ask([&](std::optional<Result> answer, const QString &failure) {
        result = std::move(answer);
        problem = failure;
        finished = true;
        loop.quit();
    });
    if (!finished)
        loop.exec();
    return result;
}

}  // namespace

void MusicBrainzClient::searchReleases(const QString &artist, const QString &album, SearchDone done)
{
    if (artist.trimmed().isEmpty() && album.trimmed().isEmpty()) {
        done(std::nullopt, QStringLiteral("Give an artist or an album to search for."));
        return;
    }
    fetchParsed<std::vector<ReleaseSummary>>(searchUrl(artist, album), &parseReleaseSearch, "a release search", done);
}

void MusicBrainzClient::fetchRelease(const QString &id, ReleaseDone done)
{
    if (!isReleaseId(id)) {
        done(std::nullopt, QStringLiteral("\"%1\" is not a MusicBrainz release id (36 characters such as "
                                          "0b6b4ba0-d36f-47bd-b4ea-6a5b91842d29).").arg(id));
        return;
    }
    fetchParsed<AlbumRelease>(releaseUrl(id.toLower()), &parseRelease, "a release", done);
}

std::optional<std::vector<ReleaseSummary>> MusicBrainzClient::searchReleasesNow(const QString &artist,
                                                                                const QString &album, QString &problem)
{
    return waitFor<std::vector<ReleaseSummary>>([&](SearchDone done) { searchReleases(artist, album, done); }, problem);
}

std::optional<AlbumRelease> MusicBrainzClient::fetchReleaseNow(const QString &id, QString &problem)
{
    return waitFor<AlbumRelease>([&](ReleaseDone done) { fetchRelease(id, done); }, problem);
}

void MusicBrainzClient::fetch(const QUrl &url, const std::function<bool(const QByteArray &)> &parse,
                              const BodyDone &done)
{
    if (const std::optional<QByteArray> kept = m_cache.find(url); kept && parse(*kept)) {
        done(*kept, {});
        return;
    }
    ++m_pending;
    tryRequest(url, 1, [this, url, parse, done](const QByteArray &body, const QString &problem) {
        --m_pending;
        if (problem.isEmpty() && parse(body))
            m_cache.keep(url, body);
        done(body, problem);
    });
}

// Waits for the process's next request slot, then sends.
void MusicBrainzClient::tryRequest(const QUrl &url, int tryNumber, const BodyDone &done)
{
    QDeadlineTimer &slot = nextRequestSlot();
    qint64 wait = std::max<qint64>(0, slot.remainingTime());
    // Another process's request (the previous command of a script) counts too; a time in the
    // future (a clock set back) waits no longer than the spacing.
    if (const qint64 last = m_cache.lastRequestMs(); last > 0) {
        const qint64 sinceLast = QDateTime::currentMSecsSinceEpoch() - last;
        wait = std::max(wait, std::min<qint64>(m_options.spacingMs, m_options.spacingMs - sinceLast));
    }
    slot.setRemainingTime(wait + m_options.spacingMs);
    QTimer::singleShot(int(wait), this, [this, url, tryNumber, done] { sendRequest(url, tryNumber, done); });
}

void MusicBrainzClient::sendRequest(const QUrl &url, int tryNumber, const BodyDone &done)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Accept", "application/json");
    ++m_sent;
    m_cache.noteRequest();
    QNetworkReply *reply = m_network->get(request);
    // Our own timer rather than the transfer timeout, so that a timeout is told from other aborts.
    auto timedOut = std::make_shared<bool>(false);
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    timer->start(m_options.timeoutMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply, timedOut, url, tryNumber, done] {
        replyFinished(reply, *timedOut, url, tryNumber, done);
    });
}

void MusicBrainzClient::replyFinished(QNetworkReply *reply, bool timedOut, const QUrl &url, int tryNumber,
                                      const BodyDone &done)
{
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (timedOut) {
        const int seconds = (m_options.timeoutMs + 999) / 1000;
        done({}, QStringLiteral("%1 did not answer within %2 %3, so nothing was changed. Try again later.")
                     .arg(serverName()).arg(seconds).arg(seconds == 1 ? "second" : "seconds"));
        return;
    }
    if (status == 503) {
        if (tryNumber < m_options.tries) {
            const int wait = std::min(retryAfterMs(*reply), m_options.longestRetryWaitMs);
            QTimer::singleShot(wait, this, [this, url, tryNumber, done] { tryRequest(url, tryNumber + 1, done); });
            return;
        }
        done({}, QStringLiteral("%1 is busy: it asked to slow down (503) %2 times in a row, so nothing was changed. "
                                "Try again in a minute.").arg(serverName()).arg(tryNumber));
        return;
    }
    if (status == 0 || (reply->error() != QNetworkReply::NoError && status < 400)) {
        done({}, QStringLiteral("Cannot reach %1 (%2), so nothing was changed. Check the network connection.")
                     .arg(serverName(), reply->errorString()));
        return;
    }
    if (status != 200) {
        const QString reason = QString::fromUtf8(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
        done({}, QStringLiteral("%1 answered %2 %3, so nothing was changed.").arg(serverName()).arg(status).arg(reason).trimmed());
        return;
    }
    const QByteArray body = reply->read(AnswerCache::MaxAnswerBytes + 1);
    if (body.size() > AnswerCache::MaxAnswerBytes) {
        done({}, QStringLiteral("The answer from %1 is larger than a release can be, so nothing was changed.").arg(serverName()));
        return;
    }
    done(body, {});
}

bool readServerUrl(const QString &text, QUrl &server, QString &problem)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        || url.host().isEmpty() || url.hasQuery() || url.hasFragment()) {
        problem = QStringLiteral("\"%1\" is not an http or https address of a MusicBrainz server").arg(text);
        return false;
    }
    server = url;
    return true;
}

QString storedServerText()
{
    return SettingsStore::read(SettingsKeys::application, SettingsKeys::musicBrainzServer.section,
                               SettingsKeys::musicBrainzServer.key, QStringLiteral("https://musicbrainz.org"));
}
