// The MusicBrainz client on a loopback server serving recorded answers: what it asks and how it
// names itself, the spacing of its requests, the answers read, the day-long cache, and a message
// for each fault (busy, malformed, slow, unreachable) with nothing kept.

#include "online/MusicBrainzClient.h"
#include "support/AlbumServer.h"
#include "support/TestFiles.h"

#include <QTcpServer>
#include <QUrlQuery>
#include <QtTest>

#include <utime.h>

namespace {

const QString &VinylId = AlbumFiles::vinylId;
const QString TwoDiscsId = QStringLiteral("2d2d2d2d-0000-4000-8000-000000000002");

}  // namespace

class TestMusicBrainz : public QObject {
    Q_OBJECT

    TestFiles::TempFolder m_cache;

    // A client of server, its requests not spaced unless the test spaces them.
    MusicBrainzOptions options(const AlbumServer &server, int spacingMs = 0)
    {
        MusicBrainzOptions options;
        options.server = server.url();
        options.cacheFolder = m_cache.path() + "/musicbrainz";
        options.spacingMs = spacingMs;
        options.timeoutMs = 500;
        return options;
    }

    QStringList keptAnswers() const
    {
        return QDir(QFile::decodeName(m_cache.path() + "/musicbrainz")).entryList({QStringLiteral("*.json")}, QDir::Files);
    }

private slots:
    void init()
    {
        QDir(QFile::decodeName(m_cache.path() + "/musicbrainz")).removeRecursively();
    }

    void searchAsksAsDocumentedAndListsFittingReleasesFirst()
    {
        AlbumServer server;
        server.answer("/ws/2/release", AlbumFiles::recorded("search.json"));
        MusicBrainzClient client(options(server));
        QString problem;
        std::optional<std::vector<ReleaseSummary>> releases =
            client.searchReleasesNow(QStringLiteral("The Quiet Harbour"), QStringLiteral("Blue Lanterns: 1+1"), problem);
        QVERIFY2(releases, qPrintable(problem));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests[0].userAgent, QByteArray("Velmora/1.0 ( https://velmora.org/ )"));
        const QUrlQuery query(QUrl(QString::fromLatin1(server.requests[0].target)));
        QCOMPARE(QUrl(QString::fromLatin1(server.requests[0].target)).path(), QStringLiteral("/ws/2/release"));
        QCOMPARE(query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded),
                 QStringLiteral("artist:(The Quiet Harbour) AND release:(Blue Lanterns\\: 1\\+1)"));
        QCOMPARE(query.queryItemValue(QStringLiteral("limit")), QStringLiteral("25"));
        QCOMPARE(query.queryItemValue(QStringLiteral("fmt")), QStringLiteral("json"));

        QCOMPARE(releases->size(), size_t(4));
        const ReleaseSummary &vinyl = releases->at(1);
        QCOMPARE(vinyl.id, VinylId);
        QCOMPARE(vinyl.artist, QStringLiteral("The Quiet Harbour"));
        QCOMPARE(vinyl.format, QStringLiteral("12\" Vinyl"));
        QCOMPARE(vinyl.country, QStringLiteral("GB"));
        QCOMPARE(vinyl.trackCount, 10);
        QCOMPARE(vinyl.score, 95);
        QCOMPARE(releases->at(3).format, QStringLiteral("2×CD"));

        sortReleasesFor(*releases, 10);
        QStringList order;
        for (const ReleaseSummary &release : *releases)
            order += QStringLiteral("%1/%2").arg(release.trackCount).arg(release.score);
        QCOMPARE(order, QStringList({"10/95", "10/80", "12/100", "6/40"}));
    }

    void readsAVinylReleaseAndOneOfTwoDiscs()
    {
        AlbumServer server;
        server.answer(VinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
        server.answer(TwoDiscsId.toLatin1(), AlbumFiles::recorded("release-two-discs.json"));
        MusicBrainzClient client(options(server));
        QString problem;
        const std::optional<AlbumRelease> vinyl = client.fetchReleaseNow(VinylId, problem);
        QVERIFY2(vinyl, qPrintable(problem));
        QVERIFY(server.requests[0].target.endsWith("?inc=recordings+artist-credits&fmt=json"));
        QCOMPARE(vinyl->title, QStringLiteral("Blue Lanterns"));
        QCOMPARE(vinyl->year(), QStringLiteral("1994"));
        QCOMPARE(vinyl->tracks.size(), size_t(10));
        QCOMPARE(vinyl->tracks[5].number, QStringLiteral("B1"));
        QCOMPARE(vinyl->tracks[5].position, 6);
        QCOMPARE(vinyl->tracks[5].artist, QStringLiteral("The Quiet Harbour feat. Ana Reyes"));
        QCOMPARE(vinyl->tracks[9].lengthMs, std::optional<qint64>(30000));
        QCOMPARE(vinyl->discs.size(), size_t(1));

        const std::optional<AlbumRelease> live = client.fetchReleaseNow(TwoDiscsId, problem);
        QVERIFY2(live, qPrintable(problem));
        QCOMPARE(live->artist, QStringLiteral("The Quiet Harbour & Morrow Bay Strings"));
        QCOMPARE(live->year(), QStringLiteral("2001"));
        QCOMPARE(live->discs.size(), size_t(2));
        const std::vector<AlbumTrack> second = live->tracksOf(2);
        QCOMPARE(second.size(), size_t(3));
        QCOMPARE(second[0].title, QStringLiteral("Salt and Iron (live)"));
        QCOMPARE(second[0].position, 1);
        QVERIFY(!second[2].lengthMs);  // a length the database does not know
        QCOMPARE(albumDiscFor(*live, 3), 1);
        QCOMPARE(albumDiscFor(*live, 6), 0);
    }

    void keepsASecondBetweenRequestsAndAsksNothingTwice()
    {
        AlbumServer server;
        server.answer(VinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
        server.answer("/ws/2/release", AlbumFiles::recorded("search.json"));
        MusicBrainzClient client(options(server, 1000));
        QString problem;
        QVERIFY(client.searchReleasesNow({}, QStringLiteral("Blue Lanterns"), problem));
        QVERIFY(client.fetchReleaseNow(VinylId, problem));
        QCOMPARE(server.requests.size(), 2);
        QVERIFY2(server.requests[1].atMs - server.requests[0].atMs >= 950,
                 qPrintable(QString::number(server.requests[1].atMs - server.requests[0].atMs)));

        // Another client of the process (the window's next dialog) finds the answer kept.
        MusicBrainzClient again(options(server, 1000));
        QVERIFY(again.fetchReleaseNow(VinylId, problem));
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(again.requestsSent(), 0);
    }

    void waitsForTheLastRequestOfAnotherProcess()
    {
        AlbumServer server;
        server.answer(VinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
        const MusicBrainzOptions spaced = options(server, 1000);
        QTest::qWait(1000);  // past this process's own spacing of the tests before
        QElapsedTimer sinceTheOther;
        AnswerCache(spaced.cacheFolder).noteRequest();  // as the command run just before did
        sinceTheOther.start();
        MusicBrainzClient client(spaced);
        QString problem;
        QVERIFY2(client.fetchReleaseNow(VinylId, problem), qPrintable(problem));
        QVERIFY2(sinceTheOther.elapsed() >= 950, qPrintable(QString::number(sinceTheOther.elapsed())));
    }

    void asksAgainAfterADay()
    {
        AlbumServer server;
        server.answer(VinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
        MusicBrainzClient client(options(server));
        QString problem;
        QVERIFY(client.fetchReleaseNow(VinylId, problem));
        const QStringList kept = keptAnswers();
        QCOMPARE(kept.size(), 1);
        const QByteArray file = m_cache.path() + "/musicbrainz/" + kept[0].toLatin1();
        const time_t dayAgo = time(nullptr) - AnswerCache::KeepSeconds - 60;
        const utimbuf times{dayAgo, dayAgo};
        QCOMPARE(::utime(file.constData(), &times), 0);
        QVERIFY(client.fetchReleaseNow(VinylId, problem));
        QCOMPARE(server.requests.size(), 2);
    }

    void waitsOutABusyServer()
    {
        AlbumServer server;
        server.answer(VinylId.toLatin1(), {{503, "slow down"}, {503, "slow down"}, {200, AlbumFiles::recorded("release-vinyl.json")}});
        MusicBrainzClient client(options(server));
        QString problem;
        QVERIFY2(client.fetchReleaseNow(VinylId, problem), qPrintable(problem));
        QCOMPARE(server.requests.size(), 3);
    }

    void faultsAreToldAndNothingIsKept_data()
    {
        QTest::addColumn<QList<AlbumServer::Answer>>("answers");
        QTest::addColumn<QString>("message");
        QTest::newRow("busy every time") << QList<AlbumServer::Answer>{{503, "{}"}}
                                         << "is busy: it asked to slow down (503) 4 times in a row";
        QTest::newRow("not JSON") << QList<AlbumServer::Answer>{{200, "<html>maintenance</html>"}}
                                  << "is not a release as MusicBrainz gives one (not JSON";
        QTest::newRow("no media") << QList<AlbumServer::Answer>{{200, R"({"id":"x","title":"T"})"}}
                                  << "(the release's \"media\" is not a list)";
        QTest::newRow("a track's position as text")
            << QList<AlbumServer::Answer>{{200, R"({"id":"x","title":"T","media":[{"tracks":[{"position":"one","title":"a"}]}]})"}}
            << "(a track's \"position\" is not a whole number)";
        QTest::newRow("no tracks") << QList<AlbumServer::Answer>{{200, R"({"id":"x","title":"T","media":[{"tracks":[]}]})"}}
                                   << "(the release has no tracks)";
        QTest::newRow("not found") << QList<AlbumServer::Answer>{{404, "{}"}} << "answered 404";
        QTest::newRow("slow") << QList<AlbumServer::Answer>{{200, {}, true}} << "did not answer within 1 second,";
    }

    void faultsAreToldAndNothingIsKept()
    {
        QFETCH(QList<AlbumServer::Answer>, answers);
        QFETCH(QString, message);
        AlbumServer server;
        server.answer(VinylId.toLatin1(), answers);
        MusicBrainzClient client(options(server));
        QString problem;
        QVERIFY(!client.fetchReleaseNow(VinylId, problem));
        QVERIFY2(problem.contains(message), qPrintable(problem));
        QVERIFY2(problem.contains(QStringLiteral("nothing was changed")), qPrintable(problem));
        QVERIFY(keptAnswers().isEmpty());
    }

    void anUnreachableServerIsSaidSo()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        MusicBrainzOptions unreachable;
        unreachable.server = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
        unreachable.cacheFolder.clear();
        unreachable.spacingMs = 0;
        closed.close();
        MusicBrainzClient client(unreachable);
        QString problem;
        QVERIFY(!client.searchReleasesNow(QStringLiteral("a"), {}, problem));
        QVERIFY2(problem.startsWith(QStringLiteral("Cannot reach http://127.0.0.1:")), qPrintable(problem));
    }

    void refusesWhatCannotBeAsked()
    {
        MusicBrainzClient client(MusicBrainzOptions{QUrl(QStringLiteral("http://127.0.0.1:9")), {}, 500, 0});
        QString problem;
        QVERIFY(!client.fetchReleaseNow(QStringLiteral("../../etc/passwd"), problem));
        QVERIFY(problem.contains(QStringLiteral("is not a MusicBrainz release id")));
        QVERIFY(!client.searchReleasesNow(QStringLiteral(" "), {}, problem));
        QCOMPARE(client.requestsSent(), 0);

        QUrl server;
        QVERIFY(!readServerUrl(QStringLiteral("ftp://mirror.example"), server, problem));
        QVERIFY(!readServerUrl(QStringLiteral("musicbrainz.org"), server, problem));
        QVERIFY(readServerUrl(QStringLiteral("http://127.0.0.1:5000/mb/"), server, problem));
        QCOMPARE(MusicBrainzClient(MusicBrainzOptions{server}).releaseUrl(VinylId).path(),
                 QStringLiteral("/mb/ws/2/release/") + VinylId);
    }
};

QTEST_GUILESS_MAIN(TestMusicBrainz)
#include "tst_musicbrainz.moc"
