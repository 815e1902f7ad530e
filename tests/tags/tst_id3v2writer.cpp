// The ID3v2 writer over every layout a tag comes in: the frames a save writes are replaced where
// they stand and every other byte stays; what cannot be kept whole is refused; and what is written
// reads back the same in mutagen.

#include "support/Id3v2Files.h"
#include "support/TestFiles.h"

#include "tags/id3v2/Id3v2Writer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Id3v2Files;

namespace {

QByteArray art()
{
    QByteArray picture("\0image/png\0\3\0", 13);
    for (int i = 0; i < 3000; ++i)
        picture.append(char(i * 7 % 256));  // 0xFF bytes among them: unsynchronisation has work to do
    return picture;
}

// A tag as taggers leave it: a title, a cover, a private frame, a comment with a description ahead
// of the plain one, a track with its total.
QList<Frame> fullFrames(int major)
{
    return {{"TIT2", latin1("Old Title")},
            {"APIC", art()},
            {"PRIV", QByteArray("owner\0\1\2\3", 9)},
            {"COMM", QByteArray("\0engiTunNORM\0 0000", 18)},
            {"COMM", latin1Comment("old note")},
            {"TRCK", latin1("12/14")},
            {major == 3 ? "TYER" : "TDRC", latin1("1999")},
            {"TXXX", QByteArray("\0mine\0kept", 10)}};
}

Id3v2::TagUpdate titleCommentTrackYear()
{
    Id3v2::TagUpdate update;
    update.title = QStringLiteral("New Title");
    update.comment = QStringLiteral("new note");
    update.track = 3;
    update.year = QStringLiteral("2001");
    return update;
}

// fullFrames with what titleCommentTrackYear writes, each in its place.
QList<Frame> fullFramesWritten(int major)
{
    QList<Frame> frames = fullFrames(major);
    frames[0].contents = latin1("New Title");
    frames[4].contents = latin1Comment("new note");
    frames[5].contents = latin1("3/14");
    frames[6].contents = latin1("2001");
    return frames;
}

// The expected tag: in the old tag's size when it fits there, else with the writer's growth padding.
QByteArray expectedTag(int major, const QList<Frame> &frames, Layout layout, qsizetype oldSize)
{
    Layout bare = layout;
    bare.padding = 0;
    const qsizetype least = tag(major, frames, bare).size();
    if (!layout.footer)
        layout.padding = least <= oldSize ? int(oldSize - least) : Id3v2::GrowthPadding;
    QByteArray expected = tag(major, frames, layout);
    if (major == 3 && layout.extendedHeader)  // a version 3 extended header counts the padding
        expected.replace(16, 4, QByteArray::fromHex(QByteArray::number(layout.padding, 16).rightJustified(8, '0')));
    return expected;
}

struct Case {
    QByteArray name;
    int major;
    QList<Frame> before;
    Layout layout;
    Id3v2::TagUpdate update;
    QList<Frame> after;  // empty with a refusal
    const char *refusal = "";
};

QList<Case> cases()
{
    QList<Case> list;
    for (const int major : {3, 4}) {
        const QByteArray v = "2." + QByteArray::number(major) + ": ";
        auto named = [&](const char *what) { return v + what; };
        list.append({named("padding holds the new frames"), major, fullFrames(major), {.padding = 200},
                     titleCommentTrackYear(), fullFramesWritten(major)});
        list.append({named("no padding: the tag grows"), major, fullFrames(major), {}, titleCommentTrackYear(),
                     fullFramesWritten(major)});
        list.append({named("extended header"), major, fullFrames(major), {.extendedHeader = true, .padding = 50},
                     titleCommentTrackYear(), fullFramesWritten(major)});
        Id3v2::TagUpdate unicode;
        unicode.artist = QStringLiteral("Кино");
        unicode.album = QString();  // an empty field drops its frame
        list.append({named("text beyond Latin-1, an emptied album"), major,
                     {{"TALB", latin1("Gone")}, {"TIT2", latin1("Stays")}}, {.padding = 100}, unicode,
                     {{"TIT2", latin1("Stays")}, {"TPE1", major == 3 ? utf16WithBom(QStringLiteral("Кино"))
                                                                    : utf8(QStringLiteral("Кино"))}}});
        Id3v2::TagUpdate genre;
        genre.genre = QStringLiteral("Rock");
        list.append({named("a field the tag lacks is added after the others"), major,
                     {{"TIT2", latin1("Song")}}, {.padding = 64}, genre,
                     {{"TIT2", latin1("Song")}, {"TCON", latin1("Rock")}}});
        list.append({named("compressed title to write"), major, {{"TIT2", latin1("x"), quint8(major == 3 ? 0x80 : 0x08)}},
                     {.padding = 10}, titleCommentTrackYear(), {}, "compressed or encrypted"});
        Id3v2::TagUpdate artistOnly;
        artistOnly.artist = QStringLiteral("B");
        list.append({named("compressed frame the save does not write is kept"), major,
                     {{"TIT2", latin1("x"), quint8(major == 3 ? 0x80 : 0x08)}, {"TPE1", latin1("A")}},
                     {.padding = 10}, artistOnly,
                     {{"TIT2", latin1("x"), quint8(major == 3 ? 0x80 : 0x08)}, {"TPE1", latin1("B")}}});
    }
    list.append({"2.4: footer", 4, fullFrames(4), {.footer = true}, titleCommentTrackYear(), fullFramesWritten(4)});
    list.append({"2.4: unsynchronised frames", 4, fullFrames(4), {.unsynchronised = true, .padding = 30},
                 titleCommentTrackYear(), fullFramesWritten(4)});
    list.append({"2.3: unsynchronised as a whole", 3, fullFrames(3), {.unsynchronised = true, .padding = 30},
                 titleCommentTrackYear(), {}, "unsynchronised as a whole"});
    list.append({"2.2", 2, {{"TT2", latin1("Old")}}, {.padding = 30}, titleCommentTrackYear(), {}, "2.2"});
    return list;
}

QString listing(const char *program, const QByteArray &path)
{
    QProcess process;
    process.start(QString::fromLatin1(program), {QStringLiteral("-l"), QString::fromUtf8(path)});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestId3v2Writer : public QObject {
    Q_OBJECT

private slots:
    void everyLayoutKeepsWhatItDoesNotWrite()
    {
        for (const Case &c : cases()) {
            const QByteArray before = tag(c.major, c.before, c.layout);
            const Id3v2::RewrittenTag written = Id3v2::rewriteTag(before, c.update);
            if (*c.refusal) {
                QVERIFY2(written.tag.isEmpty(), c.name.constData());
                QVERIFY2(written.refusal.contains(QLatin1String(c.refusal)), qPrintable(QString::fromLatin1(c.name) + ": " + written.refusal));
                continue;
            }
            QVERIFY2(written.refusal.isEmpty(), qPrintable(QString::fromLatin1(c.name) + ": " + written.refusal));
            const QByteArray expected = expectedTag(c.major, c.after, c.layout, before.size());
            QVERIFY2(written.tag == expected, qPrintable(QString::fromLatin1(c.name) + "\n  got " + written.tag.toHex()
                                                         + "\n want " + expected.toHex()));
            QCOMPARE(written.inPlace, written.tag.size() == before.size());
            // Written again with the same values, the tag is left as it is.
            QVERIFY2(Id3v2::rewriteTag(written.tag, c.update).tag == written.tag, c.name.constData());
        }
    }

    void brokenTagsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = tag(3, {{"TIT2", latin1("Song")}}, {.padding = 20});
        QByteArray junk = good;
        junk[good.size() - 3] = 'x';
        QTest::newRow("bytes after the padding") << junk << "after its padding";
        QByteArray longFrame = good;
        longFrame[17] = char(0x7F);
        QTest::newRow("a frame longer than the tag") << longFrame << "broken frame";
        QTest::newRow("cut short") << good.left(good.size() - 5) << "not as long";
        QTest::newRow("no tag") << QByteArray("not a tag at all") << "no ID3v2 tag";
        QByteArray crc = tag(3, {{"TIT2", latin1("Song")}}, {.extendedHeader = true, .padding = 20});
        crc[14] = char(0x80);
        QTest::newRow("a checksum in the extended header") << crc << "checksum";
        QByteArray badFooter = tag(4, {{"TIT2", latin1("Song")}}, {.footer = true});
        badFooter[badFooter.size() - 1] = 9;
        QTest::newRow("a footer that is not the header") << badFooter << "footer";
        QByteArray encrypted = tag(3, {{"COMM", latin1Comment("x"), 0x40}}, {.padding = 20});
        QTest::newRow("an encrypted comment") << encrypted << "comment frame";
    }

    void brokenTagsAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const Id3v2::RewrittenTag written = Id3v2::rewriteTag(bytes, titleCommentTrackYear());
        QVERIFY(written.tag.isEmpty());
        QVERIFY2(written.refusal.contains(reason), qPrintable(written.refusal));
    }

    void peersReadWhatIsWritten()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mid3v2")).isEmpty())
            QSKIP("mid3v2 (python3-mutagen) is not installed");
        QTemporaryDir dir;
        for (const int major : {3, 4}) {
            Id3v2::TagUpdate update = titleCommentTrackYear();
            update.artist = QStringLiteral("Кино");
            update.genre = QStringLiteral("Rock");
            const Id3v2::RewrittenTag written = Id3v2::rewriteTag(tag(major, fullFrames(major), {.padding = 40}), update);
            const QByteArray path = dir.filePath(QStringLiteral("v%1.mp3").arg(major)).toUtf8();
            QVERIFY(TestFiles::writeFile(path, written.tag + TestFiles::song(2000, TestFiles::trailer("x"))));
            const QString listing = ::listing("mid3v2", path);
            for (const QString &line : {QStringLiteral("TIT2=New Title"), QStringLiteral("TPE1=Кино"),
                                        QStringLiteral("TRCK=3/14"), QStringLiteral("TCON=Rock"),
                                        QStringLiteral("COMM==eng=new note"), QStringLiteral("COMM=iTunNORM=eng= 0000"),
                                        QStringLiteral("TXXX=mine=kept")})
                QVERIFY2(listing.contains(line), qPrintable(line + " not in\n" + listing));
            QVERIFY2(listing.contains(major == 3 ? QStringLiteral("TYER=2001") : QStringLiteral("TDRC=2001")), qPrintable(listing));
            QVERIFY2(listing.contains(QStringLiteral("APIC=")), qPrintable(listing));
            // id3v2 (id3lib) reads version 2.3 only.
            if (major == 3 && !QStandardPaths::findExecutable(QStringLiteral("id3v2")).isEmpty()) {
                const QString older = ::listing("id3v2", path);
                for (const QString &line : {QStringLiteral("): New Title"), QStringLiteral("TRCK (Track number/Position in set): 3/14"),
                                            QStringLiteral("PRIV (Private frame)")})
                    QVERIFY2(older.contains(line), qPrintable(line + " not in\n" + older));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestId3v2Writer)
#include "tst_id3v2writer.moc"
