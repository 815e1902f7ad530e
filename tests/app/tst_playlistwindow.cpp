// Tags > "Save Playlist…" in the real window: the folder's playlist saved where the dialog says,
// in track order with lengths; a playlist there replaced only after the user says yes.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "app/PlaylistEntry.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QtTest>

using namespace EditorTest;

class TestPlaylistWindow : public FolderTestCase {
    Q_OBJECT

private:
    // Triggers the entry and, once its dialog is up, chooses path in it.
    void saveAs(Window &w, const QByteArray &path)
    {
        QTimer::singleShot(0, [path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgSavePlaylist"));
            dialog->selectFile(QFile::decodeName(path));
            static_cast<QDialog *>(dialog)->accept();  // as the Save button does
        });
        w->playlist().savePlaylist->trigger();
    }

private slots:
    void savesTheAlbumInTrackOrder()
    {
        QByteArray second = trailer("Two", "Tone");
        second[125] = 0;
        second[126] = 2;
        QByteArray first = trailer("One", "Tone");
        first[125] = 0;
        first[126] = 1;
        QVERIFY(writeFile(file("a.mp3"), readFile(VELMORA_FIXTURES_DIR "/tone3s.mp3") + second));
        QVERIFY(writeFile(file("b.mp3"), readFile(VELMORA_FIXTURES_DIR "/tone10s.mp3") + first));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        const QByteArray playlist = file("album.m3u8");

        saveAs(w, playlist);
        const QByteArray expected = "#EXTM3U\n#EXTINF:10,Tone - One\nb.mp3\n#EXTINF:3,Tone - Two\na.mp3\n";
        QCOMPARE(readFile(playlist), expected);
        QVERIFY(log.questions.isEmpty());

        // A file there: asked about, kept on No, replaced on Yes.
        QVERIFY(writeFile(playlist, "mine\n"));
        log.answer = false;
        saveAs(w, playlist);
        QCOMPARE(log.questions.size(), 1);
        QVERIFY2(log.questions.first().contains("exists already. Replace it?"), qPrintable(log.questions.first()));
        QCOMPARE(readFile(playlist), QByteArray("mine\n"));
        log.answer = true;
        saveAs(w, playlist);
        QCOMPARE(readFile(playlist), expected);
        QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('\n')));
    }
};

QTEST_MAIN(TestPlaylistWindow)
#include "tst_playlistwindow.moc"
