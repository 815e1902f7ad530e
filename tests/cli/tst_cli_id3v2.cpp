// velmora-cli beside the ID3v2 tag, on hand-made files of every layout and on files of real
// taggers: what list shows of it and of the track number, and set --from-v2, which fills the
// trailer and leaves every byte before it as it was.

#include "CliTestHelpers.h"
#include "support/Id3v2Files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace CliTest;

namespace {

// The files of the tests: every hand-made layout, the real taggers' files and one without ID3v2.
QList<QByteArray> makeFiles(const TempFolder &dir)
{
    QList<QByteArray> names = Id3v2Files::realFiles(dir.path());
    for (const Id3v2Files::Sample &sample : Id3v2Files::samples()) {
        writeFile(dir.file(sample.name), sample.bytes);
        names += sample.name;
    }
    writeFile(dir.file("plain.mp3"), song(3000, Id3v2Files::sampleTrailer()));
    return names;
}

// The trailer set --from-v2 gives a file of the samples: the ID3v2 values, the comment cut to 28
// and the track kept where there was one.
QByteArray filledTrailer(const QByteArray &title, bool tracked)
{
    return Id3v2Files::filledSampleTrailer(title, tracked);
}

QString row(const QByteArray &listing, const QByteArray &name)
{
    for (const QByteArray &line : listing.split('\n')) {
        if (line.startsWith(name + '\t'))
            return QString::fromUtf8(line);
    }
    return {};
}

}  // namespace

class TestCliId3v2 : public QObject {
    Q_OBJECT

private slots:
    void listShowsTheVersionAndTheTrack()
    {
        TempFolder dir;
        QCOMPARE(makeFiles(dir).size(), 11);
        const Run run = runCli({"list"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("file\ttitle\tartist\talbum\tyear\tcomment\tgenre\tgenre_number\tv2\ttrack\n"));
        QVERIFY(row(run.out, "v22.mp3").endsWith("\tOther\t12\t2.2\t7"));
        QVERIFY(row(run.out, "v23-untagged.mp3").endsWith("\t\t\t2.3\t"));
        QVERIFY(row(run.out, "mid3v2.mp3").endsWith("\t2.4\t"));
        QVERIFY(row(run.out, "lame.mp3").endsWith("\tRock\t17\t2.3\t7"));
        QVERIFY(row(run.out, "plain.mp3").endsWith("\t12\t\t7"));
    }

    void listJsonGivesTheId3v2Values()
    {
        TempFolder dir;
        makeFiles(dir);
        const Run run = runCli({"list", "--json"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonArray rows = QJsonDocument::fromJson(run.out, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QHash<QString, QJsonObject> byName;
        for (const QJsonValue &value : rows)
            byName[value[QStringLiteral("file")].toString()] = value.toObject();
        const QJsonObject footer = byName[QStringLiteral("v24-footer.mp3")][QStringLiteral("id3v2")].toObject();
        QCOMPARE(footer[QStringLiteral("version")].toString(), QStringLiteral("2.4"));
        QCOMPARE(footer[QStringLiteral("title")].toString(), QStringLiteral("Evening Walk \u00FF\u00E9\u20AC"));
        QCOMPARE(footer[QStringLiteral("year")].toString(), QStringLiteral("2001-05-03"));
        QCOMPARE(footer[QStringLiteral("genre")].toString(), QStringLiteral("Rock"));
        QCOMPARE(byName[QStringLiteral("v24-footer.mp3")][QStringLiteral("track")].toInt(), 7);
        QCOMPARE(byName[QStringLiteral("id3v2.mp3")][QStringLiteral("id3v2")][QStringLiteral("artist")].toString(),
                 QStringLiteral("Red Kettle"));
        QVERIFY(byName[QStringLiteral("plain.mp3")][QStringLiteral("id3v2")].isNull());
        QVERIFY(byName[QStringLiteral("mid3v2.mp3")][QStringLiteral("track")].isNull());
    }

    // The listing reads the tag with the file's first 4 KiB when it fits there and the rest after.
    void listJsonReadsTagsOnEitherSideOfTheFirstRead_data()
    {
        QTest::addColumn<int>("filler");    // bytes of a frame between the title and the artist
        QTest::addColumn<int>("tagBytes");  // the whole tag, padded to it; 0: not padded
        QTest::addColumn<int>("audio");     // the bytes after the tag, trailer included
        QTest::newRow("file shorter than the first read") << 0 << 0 << 300;
        QTest::newRow("tag as long as the first read") << 0 << 4096 << 3000;
        QTest::newRow("tag a byte longer") << 0 << 4097 << 3000;
        QTest::newRow("artist past the first read") << 5000 << 0 << 3000;
    }

    void listJsonReadsTagsOnEitherSideOfTheFirstRead()
    {
        QFETCH(int, filler);
        QFETCH(int, tagBytes);
        QFETCH(int, audio);
        QList<Id3v2Files::Frame> frames{{"TIT2", Id3v2Files::latin1("Near")}};
        if (filler)
            frames.append({"TXXX", QByteArray("\0note\0", 6) + QByteArray(filler, 'x')});
        frames.append({"TPE1", Id3v2Files::latin1("Far")});
        QByteArray tag = Id3v2Files::tag(3, frames);
        if (tagBytes)
            tag = Id3v2Files::tag(3, frames, {.padding = tagBytes - int(tag.size())});
        TempFolder dir;
        writeFile(dir.file("a.mp3"), tag + song(audio, Id3v2Files::sampleTrailer()));
        const Run run = runCli({"list", "--json"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        const QJsonObject v2 = QJsonDocument::fromJson(run.out).array().at(0)[QStringLiteral("id3v2")].toObject();
        QCOMPARE(v2[QStringLiteral("title")].toString(), QStringLiteral("Near"));
        QCOMPARE(v2[QStringLiteral("artist")].toString(), QStringLiteral("Far"));
    }

    // Velmora writes the last 128 bytes and nothing else, whatever comes before them.
    void setFromV2FillsTheTrailerAndNothingElse()
    {
        TempFolder dir;
        const QList<QByteArray> names = makeFiles(dir);
        QHash<QByteArray, QByteArray> before;
        for (const QByteArray &name : names + QList<QByteArray>{"plain.mp3"})
            before[name] = readFile(dir.file(name));
        const Run run = runCli({"set", ".", "--from-v2"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("plain.mp3: no ID3v2 tag to fill from"));
        QCOMPARE(readFile(dir.file("plain.mp3")), before["plain.mp3"]);
        const QByteArray accented = "Evening Walk \xFF\xE9\x80";  // in code page 1252
        for (const QByteArray &name : names) {
            const QByteArray old = before[name];
            const bool tagged = old.right(128).startsWith("TAG");
            const qsizetype kept = tagged ? old.size() - 128 : old.size();
            const QByteArray now = readFile(dir.file(name));
            if (name == "lame.mp3") {
                QCOMPARE(now, old);  // its trailer holds the same values already, NUL-padded
                continue;
            }
            QVERIFY2(now.left(kept) == old.left(kept), name.constData());
            const bool plainTitle = name.startsWith("v22") || name == "v23-extended.mp3" || name.startsWith("v23-ap")
                || name == "v23-untagged.mp3" || !name.startsWith('v');
            const bool tracked = tagged && old.at(old.size() - 3) == '\0' && old.at(old.size() - 2) != '\0';
            QCOMPARE(now.mid(kept), filledTrailer(plainTitle ? "Evening Walk" : accented, tracked));
        }
    }

    void fieldsGivenWinAndADryRunChangesNothing()
    {
        TempFolder dir;
        makeFiles(dir);
        const QByteArray before = readFile(dir.file("v22.mp3"));
        Run run = runCli({"set", "v22.mp3", "--from-v2", "--title", "Mine", "--dry-run"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith("v22.mp3: title \"Morning Walk (v1)\" -> \"Mine\", album \"\" -> \"Blue Hours\""),
                 run.out.constData());
        QCOMPARE(readFile(dir.file("v22.mp3")), before);
        run = runCli({"set", "v22.mp3", "--from-v2", "--title", "Mine"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(dir.file("v22.mp3")).right(128), filledTrailer("Mine", true));
    }

    void aLongTitleIsCutAndSaid()
    {
        TempFolder dir;
        const QByteArray tag = Id3v2Files::tag(3, {{"TIT2", Id3v2Files::latin1(QByteArray(40, 't'))}});
        writeFile(dir.file("long.mp3"), tag + song(1000));
        const Run run = runCli({"set", "long.mp3", "--from-v2"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("long.mp3: not stored whole from the ID3v2 tag"));
        QCOMPARE(readFile(dir.file("long.mp3")).right(128), trailer(QByteArray(30, 't'), {}, {}, {}, {}, 255));
    }

    void aCommentKeepsTheTrackNumberUntilItNeedsItsBytes()
    {
        TempFolder dir;
        writeFile(dir.file("a.mp3"), song(1000, Id3v2Files::sampleTrailer()));
        Run run = runCli({"set", "a.mp3", "--comment", "short"}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readFile(dir.file("a.mp3")).right(31), QByteArray("short").leftJustified(28, ' ') + QByteArray("\0\7\14", 3));
        run = runCli({"set", "a.mp3", "--comment", QString(29, 'c')}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("track number 7 gives way"));
        QCOMPARE(readFile(dir.file("a.mp3")).right(31), QByteArray(29, 'c') + " \14");
    }
};

QTEST_GUILESS_MAIN(TestCliId3v2)
#include "tst_cli_id3v2.moc"
