// `velmora PATH`: which folder opens and which file is selected, for the paths a desktop or a
// shell hands over.

#include "StartPath.h"

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

private:
    QTemporaryDir m_root;
    QByteArray m_base;
};

QTEST_MAIN(TstStartPath)
#include "tst_startpath.moc"
