// velmora-cli playlist on real MP3 files: the album in track order (files without a number after,
// in list order), each with its length and "Artist - Title", paths from the playlist's folder; an
// existing playlist kept unless --force; a tree of albums one after another. Each playlist is read
// back by a small parser of its own, line by line.

#include "CliTestHelpers.h"

#include <QTest>

#include <optional>

#include <sys/stat.h>

using namespace CliTest;

namespace {

struct Entry {
    QByteArray seconds, text, path;
    bool operator==(const Entry &) const = default;
};

// "#EXTM3U", then "#EXTINF:seconds,text" and a path for each entry; nothing else.
std::optional<QList<Entry>> parsePlaylist(const QByteArray &text)
{
    if (!text.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> lines = text.chopped(1).split('\n');
    if (lines.isEmpty() || lines.first() != "#EXTM3U" || lines.size() % 2 == 0)
        return std::nullopt;
    QList<Entry> entries;
    for (qsizetype i = 1; i < lines.size(); i += 2) {
        const QByteArray &info = lines[i];
        const qsizetype comma = info.indexOf(',');
        if (!info.startsWith("#EXTINF:") || comma < 0 || lines[i + 1].startsWith('#'))
            return std::nullopt;
        entries.append({info.mid(8, comma - 8), info.mid(comma + 1), lines[i + 1]});
    }
    return entries;
}

QByteArray tagged(const char *fixture, const QByteArray &title, const QByteArray &artist, int track)
{
    QByteArray tag = trailer(title, artist, "Album", "2024", "", 17, '\0');
    tag[126] = char(track);
    const QByteArray audio = fixture ? readFile(QByteArray(VELMORA_FIXTURES_DIR "/") + fixture) : song(3000);
    return audio + tag;
}

}  // namespace

class TestCliPlaylist : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void albumInTrackOrder_data();
    void albumInTrackOrder();
    void keepsAnExistingPlaylistUnlessForced();
    void treeOfAlbums();

private:
    QByteArray path(const QByteArray &relative) const { return m_root->path() + '/' + relative; }
    std::optional<TempFolder> m_root;
};

void TestCliPlaylist::init()
{
    m_root.emplace();
    for (const char *folder : {"Album", "lists"})
        QVERIFY(::mkdir(path(folder).constData(), 0755) == 0);
    QVERIFY(writeFile(path("Album/1 first.mp3"), tagged("tone10s.mp3", "Third", "", 3)));
    QVERIFY(writeFile(path("Album/2 second.mp3"), tagged("tone3s.mp3", "First, \"quoted\"", "Art", 1)));
    QVERIFY(writeFile(path("Album/3 third.mp3"), song(3000)));  // no tag, no audio frames
    QVERIFY(writeFile(path("Album/4 fourth.mp3"), tagged("tone3s.mp3", "Zweite \xFC", "K\xFC\nnstler", 2)));
    QVERIFY(writeFile(path("Album/5 fifth.mp3"), tagged(nullptr, "", "", 0)));
}

void TestCliPlaylist::cleanup()
{
    m_root.reset();
}

void TestCliPlaylist::albumInTrackOrder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("playlist");
    QTest::addColumn<QByteArray>("prefix");  // of each file's path in it
    QTest::newRow("beside the album") << QStringList{"playlist", "Album", "--codepage", "1252"}
                                      << QByteArray("Album/Album.m3u8") << QByteArray();
    QTest::newRow("-o elsewhere") << QStringList{"playlist", "Album", "-o", "lists/a.m3u8", "--codepage", "1252"}
                                  << QByteArray("lists/a.m3u8") << QByteArray("../Album/");
}

void TestCliPlaylist::albumInTrackOrder()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, playlist);
    QFETCH(QByteArray, prefix);
    const Run run = runCli(arguments, m_root->path());
    QVERIFY2(run.exitCode == 0, run.err);
    QVERIFY2(run.err.contains("playlist: 5 files in"), run.err);
    const std::optional<QList<Entry>> entries = parsePlaylist(readFile(path(playlist)));
    QVERIFY(entries);
    const QList<Entry> expected = {
        {"3", "Art - First, \"quoted\"", prefix + "2 second.mp3"},
        {"3", "K\xC3\xBC nstler - Zweite \xC3\xBC", prefix + "4 fourth.mp3"},  // the line break a space
        {"10", "Third", prefix + "1 first.mp3"},
        {"-1", "3 third", prefix + "3 third.mp3"},  // no number, no length, no title: its name
        {"-1", "5 fifth", prefix + "5 fifth.mp3"},
    };
    QCOMPARE(*entries, expected);
}

void TestCliPlaylist::keepsAnExistingPlaylistUnlessForced()
{
    QVERIFY(writeFile(path("lists/a.m3u8"), "mine\n"));
    Run run = runCli({"playlist", "Album", "-o", "lists/a.m3u8"}, m_root->path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("lists/a.m3u8: exists already; --force replaces it"), run.err);
    QCOMPARE(readFile(path("lists/a.m3u8")), QByteArray("mine\n"));
    QCOMPARE(namesIn(path("lists")), QList<QByteArray>{"a.m3u8"});  // no temporary file left

    run = runCli({"playlist", "Album", "-o", "lists/a.m3u8", "--force"}, m_root->path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY(readFile(path("lists/a.m3u8")).startsWith("#EXTM3U\n"));
    QCOMPARE(namesIn(path("lists")), QList<QByteArray>{"a.m3u8"});
}

void TestCliPlaylist::treeOfAlbums()
{
    QVERIFY(::mkdir(path("Album/Disc 2").constData(), 0755) == 0);
    QVERIFY(writeFile(path("Album/Disc 2/b.mp3"), tagged("tone3s.mp3", "B", "", 2)));
    QVERIFY(writeFile(path("Album/Disc 2/a.mp3"), tagged("tone3s.mp3", "A", "", 1)));
    const Run run = runCli({"playlist", "-r", "Album", "-o", "all.m3u8"}, m_root->path());
    QVERIFY2(run.exitCode == 0, run.err);
    const std::optional<QList<Entry>> entries = parsePlaylist(readFile(path("all.m3u8")));
    QVERIFY(entries);
    QList<QByteArray> paths;
    for (const Entry &entry : *entries)
        paths += entry.path;
    QCOMPARE(paths, (QList<QByteArray>{"Album/2 second.mp3", "Album/4 fourth.mp3", "Album/1 first.mp3",
                                       "Album/3 third.mp3", "Album/5 fifth.mp3", "Album/Disc 2/a.mp3",
                                       "Album/Disc 2/b.mp3"}));
}

QTEST_GUILESS_MAIN(TestCliPlaylist)
#include "tst_cli_playlist.moc"
