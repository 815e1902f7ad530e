#pragma once
// The MusicBrainz web service (version 2, JSON): a release search and one release with its tracks.
// Every request names the program (User-Agent "Velmora/1.0 ( contact )"), requests keep at least a
// second apart (across every client of the process), a 503 ("slow down") waits and tries again a
// few times, and an answer that does not come within the timeout, a server that cannot be reached
// or an answer the service does not document ends the request with a message saying so. Answers
// read whole are kept a day (AnswerCache), so asking again asks nothing. Requests run on the
// caller's event loop; the ...Now forms wait for theirs.

#include "online/AnswerCache.h"
#include "online/MusicBrainzAnswer.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

struct MusicBrainzOptions {
    QUrl server = QUrl(QStringLiteral("https://musicbrainz.org"));
    QByteArray cacheFolder = AnswerCache::defaultFolder();  // empty: nothing kept
    int timeoutMs = 15000;  // for each try
    int spacingMs = 1000;   // between the starts of two requests
    int tries = 4;          // a 503 is tried again until this many tries have been made
    int longestRetryWaitMs = 30000;  // a Retry-After longer than this is cut to it
};

class MusicBrainzClient : public QObject {
    Q_OBJECT
public:
    explicit MusicBrainzClient(MusicBrainzOptions options = {}, QObject *parent = nullptr);
    ~MusicBrainzClient() override;

    static QByteArray userAgent();  // "Velmora/1.0 ( https://velmora.org/ )"

    // The URL of a search for releases by artist and album (either may be empty, not both).
    QUrl searchUrl(const QString &artist, const QString &album) const;
    QUrl releaseUrl(const QString &id) const;

    // Answers come once, through done: the result, or none with a message.
    using SearchDone = std::function<void(std::optional<std::vector<ReleaseSummary>> releases, const QString &problem)>;
    using ReleaseDone = std::function<void(std::optional<AlbumRelease> release, const QString &problem)>;
    void searchReleases(const QString &artist, const QString &album, SearchDone done);
    void fetchRelease(const QString &id, ReleaseDone done);

    // The same, waiting for the answer (velmora-cli).
    std::optional<std::vector<ReleaseSummary>> searchReleasesNow(const QString &artist, const QString &album,
                                                                 QString &problem);
    std::optional<AlbumRelease> fetchReleaseNow(const QString &id, QString &problem);

    // Whether a request is under way (or waiting for its turn).
    bool busy() const { return m_pending > 0; }
    // How many requests went to the server (cached answers aside), for tests.
    int requestsSent() const { return m_sent; }

private:
    using BodyDone = std::function<void(const QByteArray &body, const QString &problem)>;
    // The answer for url: from the cache, else from the server. parse says whether it is whole
    // (and then it is kept).
    void fetch(const QUrl &url, const std::function<bool(const QByteArray &)> &parse, const BodyDone &done);
    template <typename Result>
    void fetchParsed(const QUrl &url, std::optional<Result> (*parse)(const QByteArray &, QString &), const char *what,
                     const std::function<void(std::optional<Result>, const QString &)> &done);
    void tryRequest(const QUrl &url, int tryNumber, const BodyDone &done);
    void sendRequest(const QUrl &url, int tryNumber, const BodyDone &done);
    void replyFinished(QNetworkReply *reply, bool timedOut, const QUrl &url, int tryNumber, const BodyDone &done);
    QString serverName() const;

    MusicBrainzOptions m_options;
    AnswerCache m_cache;
    QNetworkAccessManager *m_network;
    int m_pending = 0;
    int m_sent = 0;
};

// The server from --server or the settings file ([Online] MusicBrainzServer), else the public one.
// False with problem set when the text is not an http or https address.
bool readServerUrl(const QString &text, QUrl &server, QString &problem);
QString storedServerText();
