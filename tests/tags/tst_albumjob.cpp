// Album from MusicBrainz, the core job: files matched to tracks by the surest rule each has, the
// planner's values (cut to fit, never inside a character), and the search guessed from a folder.

#include "support/TestFiles.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/AlbumJob.h"

#include <QtTest>

namespace {

AlbumTrack track(int position, const QString &title, std::optional<qint64> lengthMs = std::nullopt, int disc = 1)
{
    return {disc, position, QString::number(position), title, {}, lengthMs};
}

AlbumFileFacts file(const QString &name, int trackNumber = 0, std::optional<qint64> lengthMs = std::nullopt,
                    const QString &title = {})
{
    return {trackNumber, name, title, lengthMs};
}

// "rule:track" for each file, the track by its title.
QStringList shown(const std::vector<AlbumMatch> &matches, const std::vector<AlbumTrack> &tracks)
{
    QStringList out;
    for (const AlbumMatch &match : matches)
        out += QStringLiteral("%1:%2").arg(QLatin1String(matchRuleName(match.rule)),
                                           match.track < 0 ? QStringLiteral("-") : tracks[size_t(match.track)].title);
    return out;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<AlbumFileFacts>)
Q_DECLARE_METATYPE(std::vector<AlbumTrack>)

class TestAlbumJob : public QObject {
    Q_OBJECT

private slots:
    void matchesBySurestRule_data()
    {
        QTest::addColumn<std::vector<AlbumFileFacts>>("files");
        QTest::addColumn<std::vector<AlbumTrack>>("tracks");
        QTest::addColumn<QStringList>("expected");
        const std::vector<AlbumTrack> three{track(1, "Harbour Lights", 180000), track(2, "Salt and Iron", 200000),
                                            track(3, "Paper Moons", 240000)};
        QTest::newRow("track numbers win over names")
            << std::vector<AlbumFileFacts>{file("Paper Moons.mp3", 2), file("x.mp3", 1), file("y.mp3", 3)} << three
            << QStringList{"track number:Salt and Iron", "track number:Harbour Lights", "track number:Paper Moons"};
        QTest::newRow("a number two files hold proves nothing")
            << std::vector<AlbumFileFacts>{file("a.mp3", 1, 240500), file("b.mp3", 1, 180200), file("c.mp3", 2)} << three
            << QStringList{"length:Paper Moons", "length:Harbour Lights", "track number:Salt and Iron"};
        QTest::newRow("names as people write them")
            << std::vector<AlbumFileFacts>{file("03 - paper moons.mp3"), file("The Quiet Harbour - Harbour-Lights.mp3"),
                                           file("x.mp3", 0, std::nullopt, "SALT AND IRON")}
            << three << QStringList{"title:Paper Moons", "title:Harbour Lights", "title:Salt and Iron"};
        QTest::newRow("the closest title first")
            << std::vector<AlbumFileFacts>{file("Track 10.mp3"), file("Track 1.mp3")}
            << std::vector<AlbumTrack>{track(1, "Track 1"), track(2, "Track 10")}
            << QStringList{"title:Track 10", "title:Track 1"};
        QTest::newRow("lengths too near to tell go by order")
            << std::vector<AlbumFileFacts>{file("01.mp3", 0, 200900), file("02.mp3", 0, 180000), file("03.mp3", 0, 240000)}
            << std::vector<AlbumTrack>{track(1, "A", 200000), track(2, "B", 201000), track(3, "C", 240000)}
            << QStringList{"order:A", "order:B", "length:C"};
        QTest::newRow("a length far from every track")
            << std::vector<AlbumFileFacts>{file("01.mp3", 0, 100000), file("02.mp3", 0, 180000)}
            << std::vector<AlbumTrack>{track(1, "A", 180000), track(2, "B", 240000)}
            << QStringList{"order:B", "length:A"};
        QTest::newRow("more files than tracks")
            << std::vector<AlbumFileFacts>{file("01.mp3"), file("02.mp3"), file("03.mp3")}
            << std::vector<AlbumTrack>{track(1, "A"), track(2, "B")} << QStringList{"order:A", "order:B", "no track:-"};
        QTest::newRow("two discs: positions repeat, titles decide")
            << std::vector<AlbumFileFacts>{file("Encore.mp3", 2), file("Opening.mp3", 1)}
            << std::vector<AlbumTrack>{track(1, "Opening", {}, 1), track(2, "Rust", {}, 1), track(1, "Closing", {}, 2),
                                       track(2, "Encore", {}, 2)}
            << QStringList{"title:Encore", "title:Opening"};
    }

    void matchesBySurestRule()
    {
        QFETCH(std::vector<AlbumFileFacts>, files);
        QFETCH(std::vector<AlbumTrack>, tracks);
        QFETCH(QStringList, expected);
        QCOMPARE(shown(matchAlbum(files, tracks), tracks), expected);
    }

    void titleLikenessIgnoresWhatNamesAdd()
    {
        QCOMPARE(titleLikeness(QStringLiteral("01. Don't Stop.MP3"), QStringLiteral("Dont Stop")), 1.0);
        QCOMPARE(titleLikeness(QStringLiteral("Café Noir.mp3"), QStringLiteral("cafe noir")), 1.0);
        QVERIFY(titleLikeness(QStringLiteral("Song One.mp3"), QStringLiteral("Song Two")) < 0.75);
        QCOMPARE(titleLikeness(QStringLiteral("01.mp3"), QStringLiteral("Harbour Lights")), 0.0);
    }

    void labelsSayTheTrackAndHowFarItsLengthIs()
    {
        QCOMPARE(albumTrackLabel({1, 1, "A1", "Harbour Lights", {}, 179600}), QStringLiteral("A1 Harbour Lights (3:00)"));
        QCOMPARE(albumTrackLabel({2, 3, {}, "Rust", {}, std::nullopt}), QStringLiteral("3 Rust"));
        QCOMPARE(lengthDifferenceText(-27000), QStringLiteral("27.0 s shorter"));
        QCOMPARE(lengthDifferenceText(240), QStringLiteral("0.2 s longer"));
        QCOMPARE(lengthDifferenceText(-36), QStringLiteral("same length"));
    }

    void plansValuesCutToFitAndSkipsWhatItMust()
    {
        TestFiles::TempFolder folder;
        std::vector<JobFile> files;
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
            QVERIFY(TestFiles::writeFile(folder.file(name), TestFiles::song(2000)));
            files.push_back({folder.file(name), folder.path(), name, QString::fromLatin1(name)});
        }
        AlbumRelease release;
        release.title = QStringLiteral("アルバム");
        release.artist = QStringLiteral("The Quiet Harbour");
        release.date = QStringLiteral("1994-05-10");
        // 1 + 15 double-byte characters: 31 bytes, cut to 29 so as not to split the last one.
        const QString longTitle = QStringLiteral("a") + QString(15, QChar(0x6708));
        const std::vector<AlbumTrack> tracks{{1, 1, "A1", longTitle, "Ana Reyes", 1000}, {1, 2, "A2", "Tab\there", {}, 1000},
                                             {1, 3, "A3", "Fine", {}, 1000}};
        const std::vector<AlbumMatch> matches{{0, MatchRule::Order}, {1, MatchRule::Order}, {2, MatchRule::LeftOut}, {}};
        const CodePage &japanese = CodePage::byNumber(932);
        const std::vector<JobRow> rows = previewJob(files, albumPlanner(release, tracks, files, matches), japanese);

        QCOMPARE(rows[0].state, JobState::WillChange);
        QCOMPARE(rows[0].reason, QStringLiteral("will be cut to fit: title"));
        QCOMPARE(rows[0].cut, std::vector<TagField>{TagField::Title});
        QCOMPARE(japanese.decode(rows[0].after.title), QStringLiteral("a") + QString(14, QChar(0x6708)));
        QCOMPARE(rows[0].after.artist, QByteArray("Ana Reyes"));
        QCOMPARE(japanese.decode(rows[0].after.album), release.title);
        QCOMPARE(rows[0].after.year, QByteArray("1994"));
        QCOMPARE(rows[0].trackAfter, 1);
        QCOMPARE(rows[1].state, JobState::Skipped);
        QVERIFY2(rows[1].reason.contains(QStringLiteral("control character")), qPrintable(rows[1].reason));
        QCOMPARE(rows[2].reason, QStringLiteral("left out"));
        QCOMPARE(rows[3].state, JobState::Skipped);
        QVERIFY(rows[3].cut.empty());
    }

    void searchComesFromTagsOrTheFolderName()
    {
        TestFiles::TempFolder folder;
        std::vector<JobFile> files;
        std::vector<TagReading> readings;
        const QList<QByteArray> artists{"Rust Belt", "Rust Belt", "Other"};
        for (int i = 0; i < 3; ++i) {
            const QByteArray name = QByteArray::number(i) + ".mp3";
            const QByteArray tag = TestFiles::trailer("t", artists[i]);
            QVERIFY(TestFiles::writeFile(folder.file(name), TestFiles::song(1000, tag)));
            files.push_back({folder.file(name), folder.path(), name, QString::fromLatin1(name)});
            readings.push_back(readTagFile(folder.file(name)));
        }
        const CodePage &page = CodePage::byNumber(1252);
        AlbumSearch search = albumSearchFor(files, readings, page, QStringLiteral("Ignored - Name"));
        QCOMPARE(search.artist, QStringLiteral("Rust Belt"));
        QCOMPARE(search.album, QString());
        readings.assign(3, TagReading{});
        search = albumSearchFor(files, readings, page, QStringLiteral("The Quiet Harbour - Blue Lanterns - Live"));
        QCOMPARE(search.artist, QStringLiteral("The Quiet Harbour"));
        QCOMPARE(search.album, QStringLiteral("Blue Lanterns - Live"));
        QCOMPARE(albumSearchFor(files, readings, page, QStringLiteral("Blue Lanterns")).album, QStringLiteral("Blue Lanterns"));
    }
};

QTEST_GUILESS_MAIN(TestAlbumJob)
#include "tst_albumjob.moc"
