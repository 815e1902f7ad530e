// The editing panel's rules on its real controls: the Keep boxes and the genre a save writes.

#include "browser/BrowserPanel.h"
#include "browser/GenreBox.h"
#include "session/EditSession.h"
#include "browser/TagPanel.h"
#include "support/TestFiles.h"
#include "tags/codepage/CodePage.h"
#include "tags/id3v1/GenreList.h"
#include "tags/trailer/TagCore.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

using namespace TestFiles;

namespace {

TagReading tagged(const QByteArray &title, const QByteArray &artist, quint8 genre)
{
    TagReading reading;
    reading.tagged = true;
    reading.fields.title = title;
    reading.fields.artist = artist;
    reading.fields.genre = genre;
    return reading;
}

}  // namespace

class TestTagPanel : public QObject {
    Q_OBJECT

private:
    QStringList m_genres = Genres::buildGenreList();

private slots:
    void keptBoxesStayAndTheRestFollowTheReading()
    {
        QWidget window;
        EditSession session;
        BrowserPanel c(&window, &window, session);
        c.CmbGenre->fill(m_genres);
        TagPanel panel(c, session, m_genres);
        panel.show(tagged("Song", "Artist", 200));
        QCOMPARE(c.TxtDispTag[0]->text(), QStringLiteral("Song"));
        QCOMPARE(c.CmbGenre->text(), QStringLiteral("Unknown"));  // a number without a name

        c.ChkKeepTag[1]->setChecked(true);
        panel.show(tagged("Next", "Other", 17));
        QCOMPARE(c.TxtDispTag[0]->text(), QStringLiteral("Next"));
        QCOMPARE(c.TxtDispTag[1]->text(), QStringLiteral("Artist"));
        QCOMPARE(c.CmbGenre->text(), QStringLiteral("Rock"));

        panel.show(TagReading());  // no tag: the boxes not kept are emptied
        QCOMPARE(c.TxtDispTag[0]->text(), QString());
        QCOMPARE(c.TxtDispTag[1]->text(), QStringLiteral("Artist"));
    }

    void theGenreASaveWrites_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("remembered");
        QTest::newRow("an entry's name") << "Jazz" << 8 << 8;
        QTest::newRow("empty") << "" << 255 << 40;
        QTest::newRow("Unknown keeps the genre read") << "Unknown" << 40 << 40;
        QTest::newRow("no entry's name") << "Nonsense" << 40 << 40;
    }

    void theGenreASaveWrites()
    {
        QFETCH(QString, text);
        QFETCH(int, written);
        QFETCH(int, remembered);
        QWidget window;
        EditSession session;
        BrowserPanel c(&window, &window, session);
        c.CmbGenre->fill(m_genres);
        TagPanel panel(c, session, m_genres);
        c.CmbGenre->setText(text);
        quint8 genreNumber = 40;
        QCOMPARE(int(panel.fieldsToSave(genreNumber).genre), written);
        QCOMPARE(int(genreNumber), remembered);
    }

    void aPageSwitchKeepsEditedBoxesAndSaysWhatCannotBeStored_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("problem");
        QTest::newRow("a character the page lacks")
            << 1252 << "S\u00f6der" << 1251 << "The Artist holds characters that Cyrillic (1251) cannot store";
        QTest::newRow("more bytes than the field")
            << 1251 << QString(20, QChar(0x0416)) << 932 << "The Artist takes more than 30 bytes in Japanese (932)";
        QTest::newRow("storable") << 1252 << "Kino" << 932 << "";
    }

    void aPageSwitchKeepsEditedBoxesAndSaysWhatCannotBeStored()
    {
        QFETCH(int, from);
        QFETCH(QString, typed);
        QFETCH(int, to);
        QFETCH(QString, problem);
        QWidget window;
        EditSession session;
        BrowserPanel c(&window, &window, session);
        TagPanel panel(c, session, m_genres);
        session.chooseCodePage(from);
        panel.show(tagged("\x93\x8c", "x", 0));
        c.TxtDispTag[1]->setText(typed);  // the user's edit

        session.chooseCodePage(to);
        QVERIFY(panel.redecode(CodePage::byNumber(from)));
        QCOMPARE(c.TxtDispTag[0]->text(), CodePage::byNumber(to).decode("\x93\x8c"));  // read again
        QCOMPARE(c.TxtDispTag[1]->text(), typed);                                      // kept as typed
        QCOMPARE(panel.storeProblem().left(problem.size()), problem);
        QCOMPARE(problem.isEmpty(), panel.storeProblem().isEmpty());
    }
};

QTEST_MAIN(TestTagPanel)
#include "tst_tagpanel.moc"
