// Tags > Code Page in the real window on real files: the switch from the bytes already read, the
// folder's suggestion, saves in the chosen page and the stored choice.

#include "support/EditorTestHelpers.h"

#include "app/CodePageMenu.h"
#include "app/FrmMain.h"
#include "tags/settings/SettingsStore.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"
#include "tags/codepage/CodePage.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

using namespace EditorTest;

namespace {

const QString kApplication = QStringLiteral("Quorrel");

// Real titles of one Russian band, in code page 1251.
const QByteArray kino("\xca\xe8\xed\xee");                                           // Кино
const QByteArray bloodType("\xc3\xf0\xf3\xef\xef\xe0\x20\xea\xf0\xee\xe2\xe8");     // Группа крови
const QByteArray cigarettes("\xcf\xe0\xf7\xea\xe0\x20\xf1\xe8\xe3\xe0\xf0\xe5\xf2");  // Пачка сигарет

QAction *entry(FrmMain &w, const QString &name)
{
    return w.codePageMenu().menu()->findChild<QAction *>(name);
}

}  // namespace

class TestCodePageWindow : public FolderTestCase {
    Q_OBJECT

private slots:
    void theSwitchDecodesTheBytesAlreadyRead()
    {
        QVERIFY(writeFile(file("1.mp3"), song(500, trailer(bloodType, kino, bloodType, "1988"))));
        QVERIFY(writeFile(file("2.mp3"), song(500, trailer(cigarettes, kino, bloodType, "1988"))));
        Window w(m_folder);
        QCOMPARE(w.row(0).at(2), QStringLiteral("\u00ca\u00e8\u00ed\u00ee"));  // Western, the C locale's
        QCOMPARE(w->codePageMenu().suggestionText(), QStringLiteral("Suggested for this folder: Cyrillic (1251)"));
        QCOMPARE(entry(w.main(), "mnuCodePage1251")->text(), QStringLiteral("Cyrillic (1251) \u2014 suggested"));
        QCOMPARE(w->codePageMenu().chosen(), 0);  // only suggested
        w.clickRow(1);

        // Nothing is read again: the files are gone and the list still changes.
        QVERIFY(QFile::remove(QFile::decodeName(file("1.mp3"))) && QFile::remove(QFile::decodeName(file("2.mp3"))));
        entry(w.main(), "mnuCodePage1251")->trigger();
        QCOMPARE(w.row(0), QStringList({"1.mp3", "Группа крови", "Кино", "Группа крови", "1988", "", "Blues"}));
        QCOMPARE(w.row(1).at(1), QStringLiteral("Пачка сигарет"));
        QCOMPARE(w.panel().mid(0, 2), QStringList({"Пачка сигарет", "Кино"}));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("Кино-Пачка сигарет.MP3"));
        QCOMPARE(w.Text4->text(), QStringLiteral("Кино-Пачка сигарет.MP3"));  // the player's label
        QVERIFY(entry(w.main(), "mnuCodePage1251")->isChecked());
        QCOMPARE(log.texts, QStringList());
    }

    void anEditedBoxIsKeptAndASaveItCannotStoreIsRefused()
    {
        const QByteArray tag = trailer(bloodType, kino);
        QVERIFY(writeFile(file("a.mp3"), song(500, tag)));
        Window w(m_folder);
        w.clickRow(0);
        w.typeInto(1, QStringLiteral("S\u00f6der"));  // Western has ö, Cyrillic has not
        entry(w.main(), "mnuCodePage1251")->trigger();
        QCOMPARE(w.panel().mid(0, 2), QStringList({"Группа крови", "S\u00f6der"}));
        QCOMPARE(w.TxtNewFilename->text(), QStringLiteral("S\u00f6der-Группа крови.MP3"));

        w.save();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().startsWith(QStringLiteral("The Artist holds characters that Cyrillic (1251)")),
                 qPrintable(log.texts.first()));
        QCOMPARE(readFile(file("a.mp3")).right(128), tag);

        entry(w.main(), "mnuCodePageSystem")->trigger();  // back to a page that stores it
        log.clear();
        w.save();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(readFile(file("a.mp3")).mid(500 + 33, 7), QByteArray("S\xf6" "der  "));
    }

    void anUneditedSaveGivesBackEveryByteInADoubleBytePage()
    {
        // 13 kanji and kana, "abc" and a lead byte cut off by the field's end; an undefined pair;
        // a byte 932 does not use on its own.
        const QByteArray title = QByteArray("\x93\x8c\x8b\x9e\x82\xcc\x8b\xf3\x82\xcc\x89\xba\x82\xc5\x89\xcc\x82\xa4"
                                            "\x8f\xad\x94\x4e\x8f\xad\x8f\x97") + "abc\x93";
        const QByteArray artist("\x85\x40\x96\xe9\x8b\xf3\x83\x6d\x83\x80\x83\x52\x83\x45");
        const QByteArray tag = trailer(title, artist, "\xa0x", "1998", "\x82\xa0", 13);
        QVERIFY(writeFile(file("j.mp3"), song(500, tag)));
        Window w(m_folder);
        entry(w.main(), "mnuCodePage932")->trigger();
        QCOMPARE(w.row(0).at(1), QStringLiteral("東京の空の下で歌う少年少女abc\ufffd"));
        w.clickRow(0);
        QCOMPARE(w.panel().mid(0, 2), QStringList({"東京の空の下で歌う少年少女abc\ufffd", "\ufffd@夜空ノムコウ"}));
        w.save();
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(readFile(file("j.mp3")).right(128), tag);
    }

    void typingBeyondTheFieldsBytesIsRefusedInADoubleBytePage()
    {
        QVERIFY(writeFile(file("a.mp3"), song(500, trailer("Song"))));
        Window w(m_folder);
        w.clickRow(0);  // the boxes shown from a file keep their checks
        entry(w.main(), "mnuCodePage932")->trigger();
        w.typeInto(0, QString(16, QChar(0x6771)));  // 東: two bytes each
        QCOMPARE(w.TxtDispTag[0]->text(), QString(15, QChar(0x6771)));
        w.typeInto(3, QStringLiteral("\u6771\u6771\u6771"));
        QCOMPARE(w.TxtDispTag[3]->text(), QStringLiteral("\u6771\u6771"));  // the year: 4 bytes
    }

    void theChoiceIsStoredAtQuitAndReadAtStart_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("atStart");
        QTest::newRow("a page") << QByteArray() << 1251 << QByteArray("[Tags]\nCodePage=1251\n") << 1251;
        QTest::newRow("System over a page")
            << QByteArray("; mine\n[Tags]\nCodePage=932\n") << 0 << QByteArray("; mine\n[Tags]\nCodePage=0\n") << 0;
        QTest::newRow("unknown means System") << QByteArray("[Tags]\nCodePage=437\n") << -1
                                              << QByteArray("[Tags]\nCodePage=0\n") << 0;
        // after empty: a System choice leaves a store without it alone.
        QTest::newRow("System, none stored") << QByteArray() << -1 << QByteArray() << 0;
    }

    void theChoiceIsStoredAtQuitAndReadAtStart()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, chosen);
        QFETCH(QByteArray, after);
        QFETCH(int, atStart);
        QVERIFY(SettingsStore::remove(kApplication));
        const QString store = SettingsStore::filePath(kApplication);
        if (!before.isEmpty())
            QVERIFY(writeFile(QFile::encodeName(store), before));
        {
            FrmMain w([] {});
            w.Form_Load();
            if (chosen >= 0)
                w.codePageMenu().choose(chosen);
            w.CmdQuit_Click();
        }
        const QByteArray text = readFile(QFile::encodeName(store));
        QVERIFY2(after.isEmpty() ? !text.contains("[Tags]") : text.contains(after), text.constData());
        FrmMain next;
        next.Form_Load();
        QCOMPARE(next.codePageMenu().chosen(), atStart);
        QCOMPARE(&next.session().codePage(), atStart ? &CodePage::byNumber(atStart) : &CodePage::system());
    }

    void theSuggestionSaysWhenItCannotTell_data()
    {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain ASCII") << QByteArray("Plain") << "No suggestion for this folder: no text beyond plain ASCII";
        QTest::newRow("too little") << QByteArray("Caf\xe9") << "No suggestion for this folder: too little text to tell";
    }

    void theSuggestionSaysWhenItCannotTell()
    {
        QFETCH(QByteArray, title);
        QFETCH(QString, text);
        QVERIFY(writeFile(file("a.mp3"), song(500, trailer(title))));
        Window w(m_folder);
        QCOMPARE(w->codePageMenu().suggestionText(), text);
        QVERIFY(!entry(w.main(), "mnuCodePageSuggestion")->isEnabled());
    }
};

QTEST_MAIN(TestCodePageWindow)
#include "tst_codepagewindow.moc"
