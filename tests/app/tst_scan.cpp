// The folder scan: which files the MP3 list shows and with what, the Keep boxes across folder
// changes, files and folders that cannot be read, a drive that is not ready, and the system calls
// a scan makes per file.

#include "support/EditorTestHelpers.h"

#include "browser/Mp3Files.h"
#include "browser/FolderTree.h"
#include "app/FrmMain.h"
#include "browser/GenreBox.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <sys/stat.h>

using namespace EditorTest;

class TestScan : public FolderTestCase {
    Q_OBJECT

private:
    QByteArray subfolder(const QByteArray &name) const { return m_dir->subfolder(name); }

private slots:
    void everyMp3FileInAnyCaseGetsItsRowInOrder()
    {
        QVERIFY(writeFile(file("song.mp3"), song(1000, trailer("lower", "a"))));
        QVERIFY(writeFile(file("SONG.MP3"), song(1000, trailer("UPPER", "b", "", "", "", 9))));
        QVERIFY(writeFile(file("Between.Mp3"), song(1000)));
        QVERIFY(writeFile(file("notes.txt"), song(1000, trailer("not listed"))));
        QVERIFY(writeFile(file(".hidden.mp3"), song(1000, trailer("hidden"))));
        subfolder("folder.mp3");
        Window w(m_folder);

        Mp3Files *files = w.FilOpen;
        QCOMPARE(files->count(), 3);
        QCOMPARE(w.lv1->rowCount(), 3);
        QStringList names;
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(w.lv1->text(r, 0), files->displayName(r));  // row r stands for entry r
            names << w.lv1->text(r, 0);
        }
        QCOMPARE(names.mid(0, 1), QStringList({"Between.Mp3"}));
        QVERIFY(names.contains("SONG.MP3") && names.contains("song.mp3"));
        const int upper = names.indexOf("SONG.MP3");
        const int lower = names.indexOf("song.mp3");
        QCOMPARE(w.row(upper), QStringList({"SONG.MP3", "UPPER", "b", "", "", "", "Metal"}));
        QCOMPARE(w.row(lower), QStringList({"song.mp3", "lower", "a", "", "", "", "Blues"}));
        QCOMPARE(w.row(0).mid(1), QStringList(6, QString()));
        QCOMPARE(log.texts, QStringList());
    }

    void keptFieldsSurviveFolderChangesAndTheRestIsEmptied()
    {
        const QByteArray first = subfolder("first");
        const QByteArray empty = subfolder("empty");
        const QByteArray third = subfolder("third");
        QVERIFY(writeFile(first + "/a.mp3", song(400, trailer("Song A", "Artist A", "Album A", "1990", "x", 1))));
        QVERIFY(writeFile(third + "/c.mp3", song(400, trailer("Song C", "Artist C", "Album C", "1991", "y", 2))));
        Window w(first);
        w.clickRow(0);
        w.typeInto(1, QStringLiteral("Kept Artist"));
        w.typeInto(3, QStringLiteral("2024"));
        w.pickGenre(QStringLiteral("Rock"));
        w.setKeep(1, true);
        w.setKeep(3, true);
        w.setKeep(5, true);
        const QStringList expected({"", "Kept Artist", "", "2024", "", "Rock"});
        for (const QByteArray &folder : {empty, third, first, third}) {
            QVERIFY(w.openFolder(folder));
            QCOMPARE(w.panel(), expected);
            QCOMPARE(w.FilOpen->selectedIndex(), -1);  // no current file after a folder change
        }
        QCOMPARE(w.row(0), QStringList({"c.mp3", "Song C", "Artist C", "Album C", "1991", "y", "Country"}));
        // The current file stays the one clicked before the changes.
        QCOMPARE(w->session().CurrentPath(), first + "/a.mp3");
        QCOMPARE(w->session().SelectedIndex(), 1);
    }

    void f5AndOpeningTheFolderShownReadItAgain()
    {
        QVERIFY(writeFile(file("a.mp3"), song(300, trailer("First", "One"))));
        Window w(m_folder);
        QApplication::setActiveWindow(&w.main());
        QVERIFY(QTest::qWaitForWindowActive(&w.main()));
        w.clickRow(0);
        w.setKeep(1, true);
        FolderTree *folders = w.DirOpen;
        const QPoint shown = folders->visualItemRect(folders->currentItem()).center();
        QCOMPARE(folders->folderAt(folders->currentRow()), m_folder);
        // Each way re-reads the folder as a folder change does: the new file is listed, no file
        // is current, and only the kept field keeps its text.
        const std::function<void()> ways[] = {
            [&] { QTest::keyClick(w.TxtDispTag[0], Qt::Key_F5); },
            [&] {
                QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, shown);
                QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, shown);
            },
            [&] { QTest::keyClick(folders, Qt::Key_Return); },
        };
        int files = 1;
        for (const auto &way : ways) {
            QVERIFY(writeFile(file(QByteArray::number(++files) + ".mp3"), song(300)));
            w.clickRow(0);
            way();
            QCOMPARE(w.lv1->rowCount(), files);
            QCOMPARE(w.FilOpen->selectedIndex(), -1);
            QCOMPARE(w.lv1->selectedRow(), -1);
            QCOMPARE(w.panel(), QStringList({"", "One", "", "", "", ""}));
            QCOMPARE(w.DirOpen->path(), m_folder);
        }
    }

    void unreadableFilesGetEmptyRowsAndOneMessage()
    {
        QVERIFY(writeFile(file("1.mp3"), song(300, trailer("Readable one", "A"))));
        QVERIFY(writeFile(file("2.mp3"), song(300, trailer("Locked two", "B"))));
        QVERIFY(writeFile(file("3.mp3"), song(300, trailer("Readable three", "C"))));
        QVERIFY(writeFile(file("4.mp3"), song(300, trailer("Locked four", "D"))));
        ::chmod(file("2.mp3").constData(), 0);
        ::chmod(file("4.mp3").constData(), 0);
        Window w;
        {
            ActAsUser user;
            QVERIFY(w.openFolder(m_folder));
        }
        QCOMPARE(w.lv1->rowCount(), 4);
        QCOMPARE(w.row(0)[1], QStringLiteral("Readable one"));
        // Never the previous file's values.
        QCOMPARE(w.row(1).mid(1), QStringList(6, QString()));
        QCOMPARE(w.row(2)[1], QStringLiteral("Readable three"));
        QCOMPARE(w.row(3).mid(1), QStringList(6, QString()));
        QCOMPARE(log.texts, QStringList({TagEditor::readErrorText()}));
    }

    void namesThatAreNotUtf8AreListedAndRead()
    {
        const QByteArray raw("caf\xe9 \xff.mp3");
        QVERIFY(writeFile(file(raw), song(700, trailer("Bytes", "Raw"))));
        Window w(m_folder);
        QCOMPARE(w.lv1->rowCount(), 1);
        QCOMPARE(w.lv1->text(0, 0), QStringLiteral("caf\ufffd \ufffd.mp3"));
        QCOMPARE(w.lv1->text(0, 1), QStringLiteral("Bytes"));
        w.clickRow(0);
        QCOMPARE(w->session().CurrentPath(), file(raw));
        QCOMPARE(w.TxtDispTag[1]->text(), QStringLiteral("Raw"));
        QCOMPARE(log.texts, QStringList());
    }

    void aFolderThatCannotBeListedLeavesTheProgramUsable()
    {
        const QByteArray locked = subfolder("locked");
        const QByteArray other = subfolder("other");
        QVERIFY(writeFile(locked + "/l.mp3", song(300, trailer("Locked"))));
        QVERIFY(writeFile(other + "/o.mp3", song(300, trailer("Other"))));
        Window w(locked);
        QCOMPARE(w.lv1->rowCount(), 1);
        w.typeInto(0, QStringLiteral("typed"));
        ::chmod(locked.constData(), 0);
        {
            ActAsUser user;
            w->editor().DirOpen_Change();  // a rescan of the folder it shows
        }
        ::chmod(locked.constData(), 0755);
        QCOMPARE(log.texts, QStringList({TagEditor::readErrorText()}));
        QCOMPARE(w.lv1->rowCount(), 0);
        QCOMPARE(w.FilOpen->count(), 0);
        QCOMPARE(w.TxtDispTag[0]->text(), QString());
        // Still usable: another folder lists and loads.
        QVERIFY(w.openFolder(other));
        w.clickRow(0);
        QCOMPARE(w.TxtDispTag[0]->text(), QStringLiteral("Other"));
        QCOMPARE(log.texts.size(), 1);
    }

    // Run again under strace by scanPerFileSystemCalls; does nothing on its own.
    void traceChild()
    {
        const QByteArray folder = qgetenv("VELMORA_TRACE_FOLDER");
        if (folder.isEmpty())
            QSKIP("runs only under the trace");
        Window w(folder);
        QCOMPARE(w.lv1->rowCount(), 6);
    }

    void scanPerFileSystemCalls()
    {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty())
            QSKIP("strace is not installed");
        const QByteArray folder = subfolder("traced");
        QVERIFY(writeFile(folder + "/a.mp3", song(5000, trailer("A"))));
        QVERIFY(writeFile(folder + "/b.mp3", song(5000)));
        QVERIFY(writeFile(folder + "/c.mp3", trailer("C")));
        QVERIFY(writeFile(folder + "/d.mp3", song(128)));
        QVERIFY(writeFile(folder + "/e.mp3", song(200000, trailer("E"))));
        QVERIFY(writeFile(folder + "/f.mp3", song(129, trailer("F"))));
        const QString log = QString::fromUtf8(m_dir->file("trace.log"));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_TRACE_FOLDER"), QString::fromUtf8(folder));
        // A leak check cannot run under a tracer (sanitizer builds); the traced run only counts calls.
        env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        child.setProcessEnvironment(env);
        child.start(strace, {"-f", "-qq", "-o", log, "-e", "trace=open,openat,read,pread64,lseek,close,mmap,stat,lstat,newfstatat,statx",
                             QCoreApplication::applicationFilePath(), "traceChild"});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitCode(), 0);

        QFile traceFile(log);
        QVERIFY(traceFile.open(QIODevice::ReadOnly));
        struct Calls {
            int opens = 0, fstats = 0, heads = 0, preads = 0, closes = 0, other = 0;
        };
        QHash<QString, Calls> calls;
        QHash<QString, QString> fdPath;  // "pid:fd" -> file
        QHash<QString, QString> folderOf;  // fd -> folder opened on it
        QHash<QString, QString> pending;  // pid -> the start of an unfinished call
        const QRegularExpression line(QStringLiteral("^(\\d+)\\s+(.*)$"));
        const QRegularExpression open(QStringLiteral("^open(?:at)?\\((?:(AT_FDCWD|\\d+), )?\"([^\"]*)\"(.*)\\) = (-?\\d+)"));
        const QRegularExpression stat(QStringLiteral("^(?:stat|lstat|newfstatat|statx)\\((?:(AT_FDCWD|\\d+), )?\"([^\"]*)\""));
        // A name opened or looked at relative to a folder's descriptor, as a path.
        auto pathOf = [&folderOf](const QString &dirFd, const QString &name) {
            return QDir::cleanPath(name.startsWith('/') || !folderOf.contains(dirFd) ? name : folderOf[dirFd] + '/' + name);
        };
        const QRegularExpression pread(QStringLiteral("^pread64\\((\\d+), .*, (\\d+), (\\d+)\\) += (-?\\d+)"));
        const QRegularExpression onFd(QStringLiteral("^(read|lseek|mmap|close)\\((?:NULL, \\d+, [^,]+, [^,]+, )?(\\d+)"));
        const QString prefix = QString::fromUtf8(folder) + '/';
        while (!traceFile.atEnd()) {
            const QRegularExpressionMatch m = line.match(QString::fromUtf8(traceFile.readLine()).trimmed());
            if (!m.hasMatch())
                continue;
            const QString pid = m.captured(1);
            QString call = m.captured(2);
            if (call.endsWith(QLatin1String("<unfinished ...>"))) {
                pending[pid] = call.chopped(16);
                continue;
            }
            if (call.startsWith(QLatin1String("<..."))) {
                call = pending.take(pid) + call.mid(call.indexOf(QLatin1String("resumed>")) + 8);
            }
            if (const auto o = open.match(call); o.hasMatch()) {
                const QString path = pathOf(o.captured(1), o.captured(2));
                if (o.captured(3).contains(QLatin1String("O_DIRECTORY")))
                    folderOf[o.captured(4)] = path;
                if (path.startsWith(prefix)) {
                    ++calls[path].opens;
                    if (o.captured(4).toInt() >= 0)
                        fdPath[pid + ':' + o.captured(4)] = path;
                }
            } else if (const auto st = stat.match(call); st.hasMatch()) {
                const QString key = pid + ':' + st.captured(1);
                if (st.captured(2).isEmpty() && fdPath.contains(key))
                    ++calls[fdPath[key]].fstats;
                else if (const QString path = pathOf(st.captured(1), st.captured(2)); path.startsWith(prefix))
                    ++calls[path].other;
            } else if (const auto p = pread.match(call); p.hasMatch()) {
                const QString key = pid + ':' + p.captured(1);
                if (fdPath.contains(key)) {
                    // The first ten bytes tell whether an ID3v2 tag opens the file: read for
                    // the rows shown, after the scan, never by it.
                    if (p.captured(2) == QLatin1String("10") && p.captured(3) == QLatin1String("0"))
                        ++calls[fdPath[key]].heads;
                    else if (p.captured(2) == QLatin1String("128"))
                        ++calls[fdPath[key]].preads;
                    else
                        ++calls[fdPath[key]].other;
                }
            } else if (const auto f = onFd.match(call); f.hasMatch()) {
                const QString key = pid + ':' + f.captured(2);
                if (fdPath.contains(key)) {
                    if (f.captured(1) == QLatin1String("close"))
                        ++calls[fdPath.take(key)].closes;
                    else
                        ++calls[fdPath[key]].other;
                }
            }
        }
        QCOMPARE(calls.size(), 6);
        for (auto it = calls.cbegin(); it != calls.cend(); ++it) {
            QVERIFY2(it->opens == 1 && it->fstats == 1 && it->heads == 0 && it->preads == 1 && it->closes == 1
                         && it->other == 0,
                     qPrintable(QStringLiteral("%1: %2 opens, %3 fstats, %4 preads of 10, %5 preads of 128, %6 closes, "
                                               "%7 other")
                                    .arg(it.key())
                                    .arg(it->opens)
                                    .arg(it->fstats)
                                    .arg(it->heads)
                                    .arg(it->preads)
                                    .arg(it->closes)
                                    .arg(it->other)));
        }
    }
};

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
