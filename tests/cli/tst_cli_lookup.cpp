// velmora-cli lookup against a loopback server serving recorded answers: an album of numbered
// files and the same album named by titles are matched and written right, and one undo takes each
// back; --list and --dry-run write nothing; each fault of the service is said and writes nothing.

#include "CliTestHelpers.h"
#include "support/AlbumServer.h"
#include "tags/trailer/TagCore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDir>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

#include <optional>

using namespace CliTest;

class TestCliLookup : public QObject {
    Q_OBJECT

    std::optional<TempFolder> m_root, m_state;
    QByteArray m_album;  // "The Quiet Harbour - Blue Lanterns" in the root
    std::optional<AlbumServer> m_server;

    QByteArray contents() const
    {
        QByteArray all;
        for (const QByteArray &name : namesIn(m_album))
            all += name + ':' + readFile(m_album + '/' + name) + '\n';
        return all;
    }

    Run lookup(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("lookup"));
        arguments << QStringLiteral("--server") << m_server->url().toString() << QString::fromUtf8(m_album);
        return runCliWhileServing(arguments, m_root->path());
    }

    void serveTheAlbum()
    {
        m_server->answer("/ws/2/release", AlbumFiles::recorded("search.json"));
        m_server->answer(AlbumFiles::vinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
    }

private slots:
    void init()
    {
        m_root.emplace();
        m_state.emplace();
        qputenv("XDG_STATE_HOME", m_state->path());
        m_album = m_root->subfolder("The Quiet Harbour - Blue Lanterns");
        m_server.emplace();
    }

    void cleanup()
    {
        qunsetenv("XDG_STATE_HOME");
        m_server.reset();
        m_root.reset();
        m_state.reset();
    }

    void writesTheAlbumAndUndoesIt_data()
    {
        QTest::addColumn<bool>("numbered");
        QTest::addColumn<QString>("rule");
        QTest::newRow("01.mp3 to 10.mp3") << true << "by length";
        QTest::newRow("named by titles") << false << "by title";
    }

    void writesTheAlbumAndUndoesIt()
    {
        QFETCH(bool, numbered);
        QFETCH(QString, rule);
        QVERIFY(numbered ? AlbumFiles::writeNumberedAlbum(m_album) : AlbumFiles::writeTitledAlbum(m_album));
        const QByteArray before = contents();
        serveTheAlbum();

        const Run run = lookup({});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        // The search came from the folder's name, and the best release with ten tracks was chosen
        // over a better-scoring one of twelve.
        const QUrlQuery query(QUrl(QString::fromLatin1(m_server->requests.value(0).target)));
        QCOMPARE(query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded),
                 QStringLiteral("artist:(The Quiet Harbour) AND release:(Blue Lanterns)"));
        QVERIFY2(run.err.contains("lookup: release " + AlbumFiles::vinylId.toLatin1()), run.err.constData());
        QCOMPARE(run.err.count(rule.toUtf8()), 10);
        QVERIFY2(run.err.contains("lookup: 10 written, 0 unchanged, 0 skipped"), run.err.constData());

        const QStringList titles = AlbumFiles::vinylTitles();
        for (int track = 1; track <= 10; ++track) {
            const QString name = numbered ? QStringLiteral("%1.mp3").arg(track, 2, 10, QLatin1Char('0'))
                                          : titles[track - 1] + QStringLiteral(".mp3");
            const TagReading reading = readTagFile(m_album + '/' + name.toUtf8());
            QVERIFY(reading.tagged);
            QCOMPARE(reading.fields.title, titles[track - 1].toUtf8().left(30));
            QCOMPARE(reading.fields.artist, track == 6 ? QByteArray("The Quiet Harbour feat. Ana Re") : QByteArray("The Quiet Harbour"));
            QCOMPARE(reading.fields.album, QByteArray("Blue Lanterns"));
            QCOMPARE(reading.fields.year, QByteArray("1994"));
            QCOMPARE(reading.track(), track);
        }

        const Run undo = runCli({QStringLiteral("undo"), QStringLiteral("--batch")}, m_root->path());
        QVERIFY2(undo.exitCode == 0, undo.err.constData());
        QCOMPARE(contents(), before);
    }

    // A tree is looked up folder by folder, each matched on its own, and written as one batch; a
    // folder whose release is not found is left as it is.
    void aTreeIsLookedUpAlbumByAlbum()
    {
        const QByteArray tree = m_root->subfolder("tree");
        const QByteArray numbered = tree + "/The Quiet Harbour - Blue Lanterns";
        const QByteArray titled = tree + "/The Quiet Harbour - Blue Lanterns (again)";
        const QByteArray other = tree + "/Someone Else - Three Songs";
        for (const QByteArray &folder : {numbered, titled, other})
            QVERIFY(QDir().mkpath(QString::fromUtf8(folder)));
        QVERIFY(AlbumFiles::writeNumberedAlbum(numbered) && AlbumFiles::writeTitledAlbum(titled));
        for (const char *name : {"/a.mp3", "/b.mp3", "/c.mp3"})
            QVERIFY(writeFile(other + name, AlbumFiles::mpegAudio(1000)));
        const QByteArray otherBefore = readFile(other + "/a.mp3");
        serveTheAlbum();

        const Run run = runCliWhileServing({"lookup", "-r", "--server", m_server->url().toString(), "tree"},
                                           m_root->path());
        QCOMPARE(run.exitCode, 1);  // one folder left as it was
        QVERIFY2(run.err.contains("Someone Else - Three Songs: no release found"), run.err.constData());
        QVERIFY2(run.err.contains("lookup: 20 written, 0 unchanged, 3 skipped"), run.err.constData());
        const QStringList titles = AlbumFiles::vinylTitles();
        for (int track = 1; track <= 10; ++track) {
            const TagReading byNumber = readTagFile(numbered + QStringLiteral("/%1.mp3").arg(track, 2, 10, QLatin1Char('0')).toUtf8());
            const TagReading byTitle = readTagFile(titled + '/' + titles[track - 1].toUtf8() + ".mp3");
            for (const TagReading &reading : {byNumber, byTitle}) {
                QCOMPARE(reading.fields.title, titles[track - 1].toUtf8().left(30));
                QCOMPARE(reading.track(), track);
            }
        }
        QCOMPARE(readFile(other + "/a.mp3"), otherBefore);

        const Run undo = runCli({QStringLiteral("undo"), QStringLiteral("--batch")}, m_root->path());
        QVERIFY2(undo.exitCode == 0, undo.err.constData());
        QVERIFY(!readTagFile(numbered + "/01.mp3").tagged);

        // One release or one list cannot stand for a tree.
        const Run refused = runCli({"lookup", "-r", "--list", "tree"}, m_root->path());
        QCOMPARE(refused.exitCode, 2);
    }

    void listsAndPreviewsWithoutWriting()
    {
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_album));
        const QByteArray before = contents();
        serveTheAlbum();

        const Run list = lookup({QStringLiteral("--list"), QStringLiteral("--artist"), QStringLiteral("Harbour")});
        QCOMPARE(list.exitCode, 0);
        const QList<QByteArray> lines = list.out.split('\n');
        QCOMPARE(lines.value(0), QByteArray("mbid\tscore\ttitle\tartist\tdate\ttracks"));
        QCOMPARE(lines.value(1), "5f1e6c3a-7b2d-4c8e-9a10-2b3c4d5e6f70\t95\tBlue Lanterns\tThe Quiet Harbour\t1994-05-10\t10");
        QCOMPARE(lines.size(), 6);  // four releases, the ten-track ones first, and the last newline

        const Run json = lookup({QStringLiteral("--list"), QStringLiteral("--json")});
        const QJsonArray releases = QJsonDocument::fromJson(json.out).array();
        QCOMPARE(releases.size(), 4);
        QCOMPARE(releases[2].toObject()[QStringLiteral("tracks")].toInt(), 12);

        const Run preview = lookup({QStringLiteral("--dry-run"), QStringLiteral("--json"), QStringLiteral("--release"),
                                    AlbumFiles::vinylId});
        QVERIFY2(preview.exitCode == 0, preview.err.constData());
        const QJsonArray rows = QJsonDocument::fromJson(preview.out).array();
        QCOMPARE(rows.size(), 10);
        const QJsonObject eighth = rows[7].toObject();
        QCOMPARE(eighth[QStringLiteral("reason")].toString(), QStringLiteral("will be cut to fit: title"));
        QCOMPARE(eighth[QStringLiteral("fields")].toObject()[QStringLiteral("track")].toObject()[QStringLiteral("new")].toInt(), 8);
        QCOMPARE(contents(), before);
        QCOMPARE(m_server->requests.size(), 3);  // the second search and the release again came from the cache
    }

    void faultsWriteNothing_data()
    {
        QTest::addColumn<QList<AlbumServer::Answer>>("search");
        QTest::addColumn<QList<AlbumServer::Answer>>("release");
        QTest::addColumn<QByteArray>("message");
        const QList<AlbumServer::Answer> search{{200, AlbumFiles::recorded("search.json")}};
        const QList<AlbumServer::Answer> release{{200, AlbumFiles::recorded("release-vinyl.json")}};
        QTest::newRow("busy") << QList<AlbumServer::Answer>{{503, {}}} << release
                              << QByteArray("is busy: it asked to slow down (503) 4 times in a row");
        QTest::newRow("malformed release") << search << QList<AlbumServer::Answer>{{200, R"({"releases":[]})"}}
                                           << QByteArray("is not a release as MusicBrainz gives one");
        QTest::newRow("no release of ten tracks")
            << QList<AlbumServer::Answer>{{200, R"({"created":"2026-12-01T10:00:00.000Z","count":0,"offset":0,"releases":[]})"}}
            << release << QByteArray("no release found for artist \"The Quiet Harbour\", album \"Blue Lanterns\" has 10 tracks");
    }

    void faultsWriteNothing()
    {
        QFETCH(QList<AlbumServer::Answer>, search);
        QFETCH(QList<AlbumServer::Answer>, release);
        QFETCH(QByteArray, message);
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_album));
        const QByteArray before = contents();
        m_server->answer("/ws/2/release", search);
        m_server->answer(AlbumFiles::vinylId.toLatin1(), release);
        const Run run = lookup({});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(message), run.err.constData());
        QCOMPARE(contents(), before);
    }

    void whatTheServiceSaysCannotActOnTheTerminal()
    {
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_album));
        QByteArray search = AlbumFiles::recorded("search.json");
        search.replace("\"Blue Lanterns\"", "\"Blue\\u001b[2JLanterns\"");  // an escape sequence in the title
        m_server->answer("/ws/2/release", search);
        m_server->answer(AlbumFiles::vinylId.toLatin1(), AlbumFiles::recorded("release-vinyl.json"));
        const Run run = lookup({QStringLiteral("--dry-run")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("[2JLanterns"));
        QVERIFY(!run.err.contains('\x1b'));
    }

    void anUnreachableServerWritesNothing()
    {
        QVERIFY(AlbumFiles::writeNumberedAlbum(m_album));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString url = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        const Run run = runCli({QStringLiteral("lookup"), QString::fromUtf8(m_album), QStringLiteral("--server"), url},
                               m_root->path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("Cannot reach http://127.0.0.1:"), run.err.constData());
    }

    void refusesBadUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("two folders") << QStringList{"lookup", "a", "b"} << QByteArray("lookup takes one folder");
        QTest::newRow("ftp server") << QStringList{"lookup", ".", "--server", "ftp://mirror"}
                                    << QByteArray("--server: \"ftp://mirror\" is not an http or https address");
        QTest::newRow("json without dry run") << QStringList{"lookup", ".", "--json"}
                                              << QByteArray("lookup: --json goes with --dry-run");
    }

    void refusesBadUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        const Run run = runCli(arguments, m_root->path());
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), run.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestCliLookup)
#include "tst_cli_lookup.moc"
