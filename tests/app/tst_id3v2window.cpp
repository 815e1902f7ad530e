// The ID3v2 tag beside the trailer in the real window: the panel's marks, Fill from ID3v2 followed by Save (every byte before the trailer unchanged), and
// the track number a comment edit keeps or, asked first, gives up.

#include "support/EditorTestHelpers.h"
#include "support/Id3v2Files.h"

#include "app/CodePageMenu.h"
#include "app/FrmMain.h"
#include "browser/Id3v2Marks.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"
#include "browser/TrackSave.h"
#include "tags/codepage/CodePage.h"
#include "tags/id3v1/Id3v1.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace EditorTest;

namespace {

QLabel *markOf(Window &w, TagField field)
{
    return w->findChild<QLabel *>(QStringLiteral("Id3v2Mark%1").arg(int(field)));
}


}  // namespace

class TestId3v2Window : public FolderTestCase {
    Q_OBJECT

private:
    void writeFiles(const QList<QPair<QByteArray, QByteArray>> &files)
    {
        for (const auto &[name, bytes] : files)
            QVERIFY(writeFile(file(name), bytes));
    }

private slots:
    void thePanelMarksTheBoxesWhoseId3v2ValueDiffers()
    {
        writeFiles({{"a.mp3", Id3v2Files::samples().at(2).bytes}, {"b.mp3", song(300, trailer("Plain"))}});
        Window w(m_folder);
        QAction *fill = w->mnuFillFromId3v2;
        QVERIFY(!fill->isEnabled());
        QVERIFY(w.clickFile("a.mp3"));
        // The trailer and the ID3v2 tag agree on the artist only.
        for (TagField field : {TagField::Title, TagField::Album, TagField::Year, TagField::Comment, TagField::Genre})
            QVERIFY2(!markOf(w, field)->isHidden(), fieldName(field));
        QVERIFY(markOf(w, TagField::Artist)->isHidden());
        QCOMPARE(markOf(w, TagField::Title)->accessibleDescription(), QStringLiteral("ID3v2 title: Evening Walk"));
        QVERIFY(markOf(w, TagField::Title)->toolTip().contains(QStringLiteral("Evening Walk")));
        const QRect box = w.TxtDispTag[0]->geometry(), mark = markOf(w, TagField::Title)->geometry();
        QVERIFY(mark.left() > box.right() && mark.right() < w.ChkKeepTag[0]->geometry().left());
        QVERIFY(fill->isEnabled());
        QCOMPARE(fill->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));

        QVERIFY(w.clickFile("b.mp3"));  // no ID3v2: no marks, nothing to fill from
        QVERIFY(markOf(w, TagField::Title)->isHidden());
        QVERIFY(!fill->isEnabled());
        QVERIFY(w.clickFile("a.mp3"));
        w->editor().DirOpen_Change();  // a rebuilt list clears them too
        QVERIFY(markOf(w, TagField::Title)->isHidden());
        QVERIFY(!fill->isEnabled());
        QCOMPARE(log.texts, QStringList());
    }

    void fillAndSaveWriteOnlyTheTrailer_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("hadTrailer");
        for (const Id3v2Files::Sample &sample : Id3v2Files::samples())
            QTest::newRow(sample.name.constData())
                << sample.bytes << sample.values.title << !sample.name.contains("untagged");
    }

    void fillAndSaveWriteOnlyTheTrailer()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, title);
        QFETCH(bool, hadTrailer);
        writeFiles({{"a.mp3", bytes}});
        Window w(m_folder);
        w.clickRow(0);
        w->mnuFillFromId3v2->trigger();
        QCOMPARE(w.TxtDispTag[0]->text(), title);  // Latin-1 and the accented title both fit
        QCOMPARE(w.TxtDispTag[4]->text(), QStringLiteral("Recorded live"));
        QVERIFY(readFile(file("a.mp3")) == bytes);  // nothing written before Save
        w.save();
        QCOMPARE(log.texts, QStringList());
        const QByteArray after = readFile(file("a.mp3"));
        const qsizetype kept = bytes.size() - (hadTrailer ? Id3v1::TrailerSize : 0);
        QCOMPARE(after.size(), kept + Id3v1::TrailerSize);
        QVERIFY(after.left(kept) == bytes.left(kept));
        if (title == QStringLiteral("Evening Walk"))
            QCOMPARE(after.right(Id3v1::TrailerSize), Id3v2Files::filledSampleTrailer("Evening Walk", hadTrailer));
    }

    // Files of real taggers: lame's ID3v2 and ID3v1.1 agree, so Fill + Save leaves the file as it
    // was; the others' files get the trailer filled, every byte before it unchanged.
    void realTaggersFilesAreMarkedAndFilled()
    {
        const QList<QByteArray> names = Id3v2Files::realFiles(m_folder);
        QCOMPARE(names.size(), 3);
        Window w(m_folder);
        for (const QByteArray &name : names) {
            const QByteArray before = readFile(file(name));
            const bool hadTrailer = readTagFile(file(name)).tagged;
            QVERIFY(w.clickFile(name));
            QTRY_VERIFY2(w.lv1->notes(w.rowOf(name)).startsWith(QStringLiteral("ID3v2.")), name.constData());
            QCOMPARE(markOf(w, TagField::Title)->isHidden(), name == "lame.mp3");
            w->mnuFillFromId3v2->trigger();
            w.save();
            const QByteArray after = readFile(file(name));
            if (name == "lame.mp3") {
                QCOMPARE(after, before);
                continue;
            }
            const qsizetype kept = before.size() - (hadTrailer ? Id3v1::TrailerSize : 0);
            QVERIFY(after.left(kept) == before.left(kept));
            QCOMPARE(after.mid(kept), Id3v2Files::filledSampleTrailer("Evening Walk", false));
        }
        QCOMPARE(log.texts, QStringList());
    }

    // Text from the file is shown as text: markup and control characters are not obeyed.
    void aMarksTooltipShowsTheValueAsText()
    {
        const QByteArray tag = Id3v2Files::tag(3, {{"TIT2", Id3v2Files::latin1("<b>Loud</b>\x1B")}});
        writeFiles({{"a.mp3", tag + song(300, trailer("Quiet"))}});
        Window w(m_folder);
        w.clickRow(0);
        const QString tip = markOf(w, TagField::Title)->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("&lt;b&gt;Loud&lt;/b&gt;\\x1B")), qPrintable(tip));
        QCOMPARE(markOf(w, TagField::Title)->accessibleDescription(), QStringLiteral("ID3v2 title: <b>Loud</b>\\x1B"));
    }

    void fillLeavesKeptBoxesAndNamesTheFieldsCut()
    {
        const QByteArray longTitle(40, 'x');
        const QByteArray tag = Id3v2Files::tag(3, {{"TIT2", Id3v2Files::latin1(longTitle)},
                                                   {"TPE1", Id3v2Files::latin1("New Artist")}});
        writeFiles({{"a.mp3", tag + song(300, trailer("Old", "Old Artist"))}});
        Window w(m_folder);
        w.clickRow(0);
        w.setKeep(1, true);
        w->mnuFillFromId3v2->trigger();
        QCOMPARE(w.TxtDispTag[0]->text(), QString(30, QLatin1Char('x')));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Old Artist"));
        QCOMPARE(log.texts, QStringList{Id3v2Marks::cutText({TagField::Title})});
    }

    // With the tags read in 1251 on a system whose page is 1252, the marks compare and Fill
    // writes in 1251: the artist that already agrees is not marked, and the bytes on disk are
    // the Cyrillic titles, never question marks.
    void fillAndMarksUseTheChosenCodePage()
    {
        const QByteArray kino("\xca\xe8\xed\xee");                                        // Кино
        const QByteArray bloodType("\xc3\xf0\xf3\xef\xef\xe0\x20\xea\xf0\xee\xe2\xe8");  // Группа крови
        const QByteArray tag =
            Id3v2Files::tag(3, {{"TIT2", Id3v2Files::utf16WithBom(QStringLiteral("Утро"))},
                                {"TPE1", Id3v2Files::utf16WithBom(QStringLiteral("Кино"))},
                                {"TALB", Id3v2Files::utf16WithBom(QStringLiteral("Группа крови"))}});
        writeFiles({{"a.mp3", tag + song(300, trailer("Old", kino))}});
        Window w(m_folder);
        QVERIFY(w->session().codePage().number() != 1251);
        w->codePageMenu().menu()->findChild<QAction *>(QStringLiteral("mnuCodePage1251"))->trigger();
        QCOMPARE(w->session().codePage().number(), 1251);
        w.clickRow(0);
        QVERIFY(markOf(w, TagField::Title)->isVisibleTo(&w.main()));
        QVERIFY(!markOf(w, TagField::Artist)->isVisibleTo(&w.main()));
        QVERIFY(markOf(w, TagField::Album)->isVisibleTo(&w.main()));
        w->mnuFillFromId3v2->trigger();
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Утро"));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Кино"));
        QCOMPARE(w.TxtDispTag[2]->text(), QStringLiteral("Группа крови"));
        w.save();
        QCOMPARE(log.texts, QStringList());
        const QByteArray after = readFile(file("a.mp3")).right(Id3v1::TrailerSize);
        QCOMPARE(after.mid(Id3v1::TitleOffset, 4), QByteArray("\xd3\xf2\xf0\xee"));  // Утро
        QCOMPARE(after.mid(Id3v1::ArtistOffset, 4), kino);
        QCOMPARE(after.mid(Id3v1::AlbumOffset, bloodType.size()), bloodType);
    }

    void aCommentEditKeepsTheTrackNumber()
    {
        const QByteArray before = song(500, Id3v2Files::sampleTrailer());
        writeFiles({{"a.mp3", before}});
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(4, QStringLiteral("new note"));
        w.save();
        QCOMPARE(log.questions, QStringList());
        QByteArray expected = before;
        expected.replace(before.size() - 128 + Id3v1::CommentOffset, 28, QByteArray("new note").leftJustified(28));
        QCOMPARE(readFile(file("a.mp3")), expected);
    }

    // The comment that needs the track number's bytes is written only when the user agrees.
    void aLongCommentAsksBeforeTheTrackGivesWay_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("no: nothing written") << false;
        QTest::newRow("yes: the comment takes the bytes") << true;
    }

    void aLongCommentAsksBeforeTheTrackGivesWay()
    {
        QFETCH(bool, answer);
        const QByteArray before = song(500, Id3v2Files::sampleTrailer());
        const QByteArray comment(29, 'c');
        log.answer = answer;
        writeFiles({{"a.mp3", before}});
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(4, QString::fromLatin1(comment));
        w.save();
        QCOMPARE(log.questions, QStringList{trackQuestionText(7)});
        const QByteArray after = readFile(file("a.mp3"));
        if (!answer) {
            QCOMPARE(after, before);
            QCOMPARE(w.TxtDispTag[4]->text(), QString::fromLatin1(comment));  // the edit stays for another try
            return;
        }
        QCOMPARE(after.mid(before.size() - 128 + Id3v1::CommentOffset, 30), comment + ' ');
        QCOMPARE(after.left(before.size() - 128), before.left(before.size() - 128));
    }

    void noOneToAskMeansNo()
    {
        QByteArray trailerRead = Id3v2Files::sampleTrailer();
        TagReading reading;
        reading.tagged = true;
        reading.trailer = trailerRead;
        reading.fields = Id3v1::parse(trailerRead);
        Id3v1::Fields fields = reading.fields;
        fields.comment = QByteArray(30, 'c');
        const Message::Question previous = Message::setQuestionHandler({});
        QVERIFY(!keepTrackOnSave(fields, reading));
        Message::setQuestionHandler(previous);
    }
};

QTEST_MAIN(TestId3v2Window)
#include "tst_id3v2window.moc"
