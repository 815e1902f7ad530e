// The Help menu's windows as the main window opens them, the end of the program through the frame,
// and quitting while a file plays.

#include "browser/FolderTree.h"
#include "app/Form1.h"
#include "app/FrmAbout.h"
#include "app/FrmMain.h"
#include "app/FrmSettings.h"
#include "player/MediaPlayer.h"
#include "player/PlayerController.h"
#include "player/PlayerPanel.h"
#include "tags/text/Message.h"
#include "app/MessageBox.h"
#include "tags/settings/SettingsStore.h"

#include "support/SettingsTestCase.h"
#include "support/WindowControls.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTemporaryFile>
#include <QtTest>

#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

class TestShell : public SettingsTestCase {
    Q_OBJECT

private:
    static bool writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    // No test here expects a message but the one it checks.
    void cleanup() { QCOMPARE(log.texts, QStringList()); }

    void settingsOpenedTwiceKeepTheFirstRememberedValue()
    {
        FrmMain w;
        w.Form_Load();
        QVERIFY(w.state().SupportLFN);
        w.mnuSettings->trigger();
        FrmSettings *dialog = w.settingsDialog();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->OptLFN[0]->isChecked());

        QTest::mouseClick(dialog->OptLFN[1], Qt::LeftButton);
        QVERIFY(!w.state().SupportLFN);  // in force at once
        w.mnuSettings->trigger();        // only brought forward
        QCOMPARE(w.settingsDialog(), dialog);
        QVERIFY(dialog->OptLFN[1]->isChecked());

        QTest::mouseClick(dialog->CmdCancel, Qt::LeftButton);
        QVERIFY(w.state().SupportLFN);
        QTRY_VERIFY(w.settingsDialog() == nullptr);
    }

    void styleChosenInTheDialogReachesTheNextStart()
    {
        int ended = 0;
        {
            FrmMain w([&ended] { ++ended; });
            w.Form_Load();
            w.mnuSettings->trigger();
            QTest::mouseClick(w.settingsDialog()->OptLFN[1], Qt::LeftButton);
            QTest::mouseClick(w.settingsDialog()->CmdOk, Qt::LeftButton);
            QVERIFY(!w.state().SupportLFN);
            QCOMPARE(stored(QStringLiteral("Support LFN")), QStringLiteral("<absent>"));  // only a quit stores
            QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
            QCOMPARE(ended, 1);
        }
        FrmMain next;
        next.Form_Load();
        QVERIFY(!next.state().SupportLFN);
        next.mnuSettings->trigger();
        QVERIFY(next.settingsDialog()->OptLFN[1]->isChecked());
    }

    void removeAndQuitLeavesAFirstStart()
    {
        QTemporaryDir music;
        QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"),
                                     music.path()));
        int ended = 0;
        {
            FrmMain w([&ended] { ++ended; });
            w.Form_Load();
            QCOMPARE(controls(w).DirOpen->path(), QFile::encodeName(music.path()));
            w.mnuSettings->trigger();
            QTest::mouseClick(w.settingsDialog()->CmdRemoveQuit, Qt::LeftButton);
            QCOMPARE(ended, 1);
            QVERIFY(!w.player().exists());  // the player is not told to stop
        }
        QVERIFY(!QFile::exists(SettingsStore::filePath(QStringLiteral("quorrel"))));
    }

    void aboutBoxStaysBesideTheWindow()
    {
        FrmMain w;
        w.show();
        w.mnuAbout->trigger();
        FrmAbout *about = w.aboutBox();
        QVERIFY(about && about->isVisible());
        w.mnuAbout->trigger();
        QCOMPARE(w.aboutBox(), about);
        QVERIFY(w.isEnabled() && controls(w).CmdSave->isEnabled());  // not modal
        QTest::mouseClick(about->findChild<QPushButton *>(QStringLiteral("CmdOk")), Qt::LeftButton);
        QTRY_VERIFY(w.aboutBox() == nullptr);
        QVERIFY(w.isVisible());
    }

    void frameCloseEndsTheProgramOnlyWithTheLastWindow()
    {
        // Closing the main window through its frame leaves an open settings dialog or about box
        // in use; the program ends, and the player stops, when the last of them is closed. The
        // application reports its last window only from its running event loop.
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        FrmMain w;
        w.Form_Load();
        w.show();
        w.session().setCurrentFile(VELMORA_FIXTURES_DIR "/tone10s.mp3", FileTags(), 1);
        QTest::mouseClick(controls(w).Command5, Qt::LeftButton);
        w.mnuAbout->trigger();
        w.mnuSettings->trigger();
        QList<int> steps;
        QTimer::singleShot(0, &w, [&] {
            w.close();
            steps << lastClosed.count() << int(w.player().get().playState());
            w.aboutBox()->close();
            steps << lastClosed.count() << int(w.player().get().playState());
            w.settingsDialog()->close();
            steps << lastClosed.count() << int(w.player().get().playState());
        });
        QTimer::singleShot(5000, qApp, &QCoreApplication::quit);  // should the end never come
        QCoreApplication::exec();
        QCOMPARE(steps, (QList<int>{0, 2, 0, 2, 1, 0}));
    }

    void messageAtStartUpIsNotTheEnd()
    {
        // A stored folder that has gone: the load shows a real message box before the main window
        // appears. When the box closes no window is open for a moment, which must not run the
        // frame-close step; closing the main window afterwards does.
        QVERIFY(SettingsStore::write(QStringLiteral("Quorrel"), QStringLiteral("Startup"), QStringLiteral("Path"),
                                     QStringLiteral("/no/such/folder/anywhere")));
        const Message::Handler previous = Message::setHandler({});
        installMessageBox();
        int boxes = 0;
        FrmMain *main = nullptr;
        QList<bool> playerExists;  // when the window has appeared, and after its frame close
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ++boxes;
                box->accept();
            } else if (main && main->isVisible() && playerExists.isEmpty()) {
                playerExists << main->player().exists();
                main->close();
            }
        });
        user.start(50);
        auto *splash = new Form1([&main] { return main = new FrmMain(); });
        splash->show();
        QTimer::singleShot(8000, qApp, &QCoreApplication::quit);  // should the end never come
        QCoreApplication::exec();
        Message::setHandler(previous);
        QVERIFY(main);
        playerExists << main->player().exists();
        delete main;
        QCOMPARE(boxes, 1);
        QCOMPARE(playerExists, (QList<bool>{false, true}));
    }

    void quitWhilePlayingStopsThePlayer()
    {
        int ended = 0;
        QTemporaryDir music;
        FrmMain w([&ended] { ++ended; });
        w.Form_Load();
        QVERIFY(controls(w).DirOpen->setPath(QFile::encodeName(music.path())).ok());
        w.session().setCurrentFile(VELMORA_FIXTURES_DIR "/tone10s.mp3", FileTags(), 1);
        QTest::mouseClick(controls(w).Command5, Qt::LeftButton);
        QTRY_COMPARE(w.player().get().playState(), MediaPlayer::PlayState::Playing);
        QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
        QCOMPARE(ended, 1);
        QCOMPARE(w.player().get().playState(), MediaPlayer::PlayState::Stopped);
        QCOMPARE(stored(QStringLiteral("Path")), music.path());
        QCOMPARE(stored(QStringLiteral("Support LFN")), QStringLiteral("True"));
    }

    void quitKeepsWhatItDidNotWrite()
    {
        // Comments, blank lines, other sections and keys of other programs, byte for byte.
        QTemporaryDir music;
        const QString path = settingsFile();
        const QByteArray head = "# written by hand\n\n[Window]\nGeometry = 10 10 800 600\n\n[Startup]\n"
                                "; the folder shown at quit\nPath=" + QFile::encodeName(music.path()) + "\nZoom=2\n";
        const QByteArray tail = "\n[Recent]\nFile1=/a.mp3\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(head + tail);
        file.close();
        FrmMain w([] {});
        w.Form_Load();
        QCOMPARE(controls(w).DirOpen->path(), QFile::encodeName(music.path()));
        QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), head + "Support LFN=True\n" + tail);
    }

    // A settings file that is not one (a FIFO, a link to an endless device, one too large) is
    // neither waited on nor read: the window starts with its defaults, says so once, and its quit
    // leaves the file as it was.
    void aSettingsFileThatIsNotOneIsLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("over 1 MiB") << "large";
    }

    void aSettingsFileThatIsNotOneIsLeftAlone()
    {
        QFETCH(QString, kind);
        const QString path = settingsFile();
        const QByteArray native = QFile::encodeName(path);
        const QByteArray large = "[Startup]\nSupport LFN=False\n" + QByteArray(SettingsStore::MaxFileBytes, '#');
        if (kind == "fifo")
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (kind == "zero")
            QCOMPARE(::symlink("/dev/zero", native.constData()), 0);
        else
            QVERIFY(writeBytes(path, large));
        {
            FrmMain w([] {});
            w.Form_Load();
            QVERIFY(w.state().SupportLFN);  // the default, not the file's False
            QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
        }
        QCOMPARE(log.texts.size(), 1);
        QVERIFY2(log.texts.first().contains(path), qPrintable(log.texts.first()));
        log.clear();
        const QFileInfo after(path);
        QCOMPARE(after.isSymLink(), kind == "zero");
        if (kind == "large")
            QCOMPARE(after.size(), qint64(large.size()));
    }

    void quitEndsEvenWhenNothingCanBeStored()
    {
        // A plain file where the settings folder should be: no write can succeed, even as root.
        QTemporaryDir scratch;
        const QString blocker = scratch.filePath(QStringLiteral("not-a-folder"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker));

        // Catch what the quit says on standard error.
        QTemporaryFile errors;
        QVERIFY(errors.open());
        std::fflush(stderr);
        const int savedStderr = dup(STDERR_FILENO);
        dup2(errors.handle(), STDERR_FILENO);
        int ended = 0;
        {
            FrmMain w([&ended] { ++ended; });
            w.Form_Load();
            QTest::mouseClick(w.CmdQuit, Qt::LeftButton);
        }
        std::fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
        close(savedStderr);
        qputenv("XDG_CONFIG_HOME", m_config.path());

        QCOMPARE(ended, 1);
        errors.seek(0);
        const QByteArray said = errors.readAll();
        QVERIFY2(said.contains("settings could not be stored"), said.constData());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
