// Save Tags in a folder that is not as it seems or that changed since the scan: a listed link out
// of the folder is refused, and the rebuild after a save neither repeats the scan's message for
// files it already could not read nor trips over files removed in the meantime.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace EditorTest;

class TestSaveGuard : public FolderTestCase {
    Q_OBJECT

private slots:
    void aLinkOutOfTheFolderIsRefused()
    {
        TempFolder home;
        const QByteArray startup = home.file(".bashrc");
        const QByteArray before = song(300, trailer("Not a song"));
        QVERIFY(writeFile(startup, before));
        QVERIFY(::chmod(startup.constData(), 0444) == 0);
        QVERIFY(::symlink(startup.constData(), file("song.mp3").constData()) == 0);

        Window w(m_folder);
        QCOMPARE(w.lv1->rowCount(), 1);
        w.clickRow(0);
        w.typeInto(1, QStringLiteral("touch gotcha"));
        w.save();
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts[0].contains(QStringLiteral("outside the folder")), qPrintable(log.texts[0]));
        QCOMPARE(readFile(startup), before);
        struct stat st;
        QVERIFY(::stat(startup.constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), 0444);
    }

    void aSaveRepeatsNoScanMessage()
    {
        // One file nobody may read, one removed after the scan, one saved.
        QVERIFY(writeFile(file("a.mp3"), song(500)));
        QVERIFY(writeFile(file("b.mp3"), song(500, trailer("Removed"))));
        QVERIFY(writeFile(file("locked.mp3"), song(500, trailer("Locked"))));
        ActAsUser::giveAway(file("a.mp3"));
        QVERIFY(::chmod(file("locked.mp3").constData(), 0) == 0);

        StateHome state;  // the journal of saves where the ordinary user may write it
        QVERIFY(QDir().mkpath(QString::fromUtf8(state.journalFolder())));
        ActAsUser::giveAway(state.journalFolder());
        Window w;
        {
            ActAsUser user;
            QVERIFY(w.openFolder(m_folder));
        }
        QCOMPARE(log.texts, QStringList({TagEditor::readErrorText()}));  // the scan says it once
        log.clear();
        QVERIFY(::unlink(file("b.mp3").constData()) == 0);  // by another program
        {
            ActAsUser user;
            w.clickRow(0);
            w.typeInto(0, QStringLiteral("Saved"));
            w.save();
        }
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(readFile(file("a.mp3")).right(128), trailer("Saved", {}, {}, {}, {}, 255));
        QCOMPARE(w.lv1->rowCount(), 2);
        QCOMPARE(w.row(1), QStringList({"locked.mp3", "", "", "", "", "", ""}));
    }
};

QTEST_MAIN(TestSaveGuard)
#include "tst_saveguard.moc"
