// `velmora PATH`: which folder opens and which file is selected, for the paths a desktop or a
// shell hands over, and the window that starts on them.

#include "browser/FolderTree.h"
#include "app/FrmMain.h"
#include "browser/Mp3List.h"
#include "player/PlayerPanel.h"
#include "tags/settings/SettingsStore.h"
#include "app/StartPath.h"
#include "browser/TagEditor.h"
#include "support/TestFiles.h"

#include "support/WindowControls.h"

#include <QLineEdit>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TstStartPath : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_base = QFile::encodeName(m_root.path());
        QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("Music/Album"))));
        QVERIFY(QDir().mkpath(m_root.filePath(QStringLiteral("Elsewhere"))));
        for (const char *name : {"Music/Album/Song.mp3", "Music/Album/LOUD.MP3", "Music/Album/notes.txt",
                                 "Music/Album/.hidden.mp3", "Elsewhere/real.mp3"}) {
            QFile file(m_root.filePath(QString::fromUtf8(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QByteArray album = m_base + "/Music/Album";
        QCOMPARE(::mkfifo(album + "/pipe.mp3", 0600), 0);
        QCOMPARE(::symlink(m_base + "/Elsewhere/real.mp3", album + "/link.mp3"), 0);
        const int odd = ::open(album + "/caf\xe9.mp3", O_WRONLY | O_CREAT, 0644);  // Latin-1, not UTF-8
        QVERIFY(odd >= 0);
        ::close(odd);
    }

    void resolves_data()
    {
        QTest::addColumn<QByteArray>("argument");
        QTest::addColumn<QByteArray>("folder");    // below the temporary root; "-" for none
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QString>("messageStart");

        QTest::newRow("file, relative") << QByteArray("Album/Song.mp3") << QByteArray("/Music/Album")
                                        << QByteArray("Song.mp3") << QString();
        QTest::newRow("file, absolute") << QByteArray("@/Music/Album/Song.mp3") << QByteArray("/Music/Album")
                                        << QByteArray("Song.mp3") << QString();
        QTest::newRow("extension in capitals") << QByteArray("Album/LOUD.MP3") << QByteArray("/Music/Album")
                                               << QByteArray("LOUD.MP3") << QString();
        QTest::newRow("dots in the path") << QByteArray("./Album/../Album/Song.mp3") << QByteArray("/Music/Album")
                                          << QByteArray("Song.mp3") << QString();
        QTest::newRow("name not UTF-8") << QByteArray("Album/caf\xe9.mp3") << QByteArray("/Music/Album")
                                        << QByteArray("caf\xe9.mp3") << QString();
        // A link opens the folder it lies in, where the user saw it.
        QTest::newRow("link to a file elsewhere") << QByteArray("Album/link.mp3") << QByteArray("/Music/Album")
                                                  << QByteArray("link.mp3") << QString();
        QTest::newRow("folder") << QByteArray("Album") << QByteArray("/Music/Album") << QByteArray() << QString();
        QTest::newRow("folder with slash") << QByteArray("Album/") << QByteArray("/Music/Album") << QByteArray()
                                           << QString();
        QTest::newRow("not an MP3 file") << QByteArray("Album/notes.txt") << QByteArray("/Music/Album")
                                         << QByteArray() << QStringLiteral("Album/notes.txt is not an MP3 file");
        QTest::newRow("hidden MP3 file") << QByteArray("Album/.hidden.mp3") << QByteArray("/Music/Album")
                                         << QByteArray() << QStringLiteral("Album/.hidden.mp3 is not an MP3 file");
        QTest::newRow("missing") << QByteArray("Album/gone.mp3") << QByteArray("-") << QByteArray()
                                 << QStringLiteral("Velmora cannot open Album/gone.mp3: No such file");
        QTest::newRow("FIFO named like a song") << QByteArray("Album/pipe.mp3") << QByteArray("-") << QByteArray()
                                                << QStringLiteral("Velmora cannot open Album/pipe.mp3: it is neither");
    }

    void resolves()
    {
        QFETCH(QByteArray, argument);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, fileName);
        QFETCH(QString, messageStart);
        argument.replace("@", m_base);
        const StartRequest request = resolveStartPath(argument, m_base + "/Music");
        QCOMPARE(request.folder, folder == "-" ? QByteArray() : m_base + folder);
        QCOMPARE(request.fileName, fileName);
        QVERIFY2(messageStart.isEmpty() ? request.message.isEmpty() : request.message.startsWith(messageStart),
                 qPrintable(request.message));
    }

    void rootFolderAndItsFiles()
    {
        QCOMPARE(resolveStartPath("/", "/tmp").folder, QByteArray("/"));
        QCOMPARE(resolveStartPath("..", "/tmp").folder, QByteArray("/"));
    }

    // The window opens the named file's folder instead of the stored one and loads the file as a
    // click on its row does; the stored folder stays stored.
    void windowStartsOnTheNamedFile_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("row");  // -1: the folder opens with no file selected
        QTest::addColumn<QString>("message");
        QTest::newRow("an MP3 file") << QByteArray("b.mp3") << 1 << QString();
        QTest::newRow("the folder") << QByteArray() << -1 << QString();
        QTest::newRow("a text file") << QByteArray("notes.txt") << -1 << QStringLiteral(" is not an MP3 file");
    }

    void windowStartsOnTheNamedFile()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, row);
        QFETCH(QString, message);
        TestFiles::TempFolder stored, album;
        for (const char *file : {"a.mp3", "b.mp3", "c.mp3"})
            QVERIFY(TestFiles::writeFile(album.file(file),
                                         TestFiles::song(4000, TestFiles::trailer(QByteArray("Title ") + file))));
        QVERIFY(TestFiles::writeFile(album.file("notes.txt"), "text"));
        QVERIFY(TestFiles::writeFile(stored.file("other.mp3"), TestFiles::song(4000)));
        QVERIFY(SettingsStore::writeBytes(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"),
                                          stored.path()));
        TestFiles::MessageLog messages;

        FrmMain w;
        w.setStartRequest(resolveStartPath(name.isEmpty() ? album.path() : album.file(name), "/"));
        w.Form_Load();
        QCOMPARE(controls(w).DirOpen->path(), album.path());
        QCOMPARE(controls(w).lv1->rowCount(), 3);
        QCOMPARE(controls(w).lv1->selectedRow(), row);
        if (row >= 0) {
            QCOMPARE(w.session().CurrentPath(), album.file(name));
            QCOMPARE(controls(w).TxtDispTag[0]->text(), QStringLiteral("Title b.mp3"));
            // As after a click, the player's label shows the proposed name.
            QVERIFY(!controls(w).TxtNewFilename->text().isEmpty());
            QCOMPARE(controls(w).Text4->text(), controls(w).TxtNewFilename->text());
        }
        QCOMPARE(messages.texts.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(messages.texts[0].contains(message), qPrintable(messages.texts[0]));
        QCOMPARE(SettingsStore::readBytes(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path")),
                 stored.path());
    }

    // A path that cannot be opened is said, and the window starts as it would without it.
    void windowWithAMissingPathOpensTheStoredFolder()
    {
        TestFiles::TempFolder stored;
        QVERIFY(TestFiles::writeFile(stored.file("other.mp3"), TestFiles::song(4000)));
        QVERIFY(SettingsStore::writeBytes(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"),
                                          stored.path()));
        TestFiles::MessageLog messages;
        FrmMain w;
        w.setStartRequest(resolveStartPath(stored.file("gone.mp3"), "/"));
        w.Form_Load();
        QCOMPARE(controls(w).DirOpen->path(), stored.path());
        QCOMPARE(controls(w).lv1->rowCount(), 1);
        QCOMPARE(controls(w).lv1->selectedRow(), -1);
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].startsWith(QStringLiteral("Velmora cannot open")), qPrintable(messages.texts[0]));
    }

private:
    QTemporaryDir m_root;
    QByteArray m_base;
};

QTEST_MAIN(TstStartPath)
#include "tst_startpath.moc"
