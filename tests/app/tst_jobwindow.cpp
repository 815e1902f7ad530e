// The folder jobs in the real window, checked on disk: an album tagged from its names with the
// keyboard alone and taken back by one undo, Cyrillic names in code page 1251, Escape before
// Apply, Values for Every File writing only its ticked fields, the stored patterns read back,
// titles from a pasted list, Case and Replace, Number Tracks (a long comment cut only when
// ticked, a number typed in the preview) and Rename Every File (a collision skipped, the current
// file followed, one undo), an album made by four jobs and taken back by four undos, and an undo
// running while the window goes on, its writers disabled until it ends. Then the album of the
// README counted in twelve actions, the preview's columns and summary, the Values boxes and the
// questions a list asks.

#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "app/JobEntries.h"
#include "app/SaveUndo.h"
#include "browser/GenreBox.h"
#include "browser/Mp3List.h"
#include "browser/TagSaver.h"
#include "jobdialogs/CaseJobPage.h"
#include "jobdialogs/JobDialog.h"
#include "jobdialogs/ListJobPage.h"
#include "jobdialogs/NameJobPage.h"
#include "jobdialogs/NumberJobPage.h"
#include "jobdialogs/RenameJobPage.h"
#include "jobdialogs/ValuesJobPage.h"
#include "jobdialogs/JobRun.h"
#include "session/EditSession.h"
#include "tags/codepage/CodePage.h"
#include "tags/files/RegularFile.h"
#include "tags/jobs/NameJob.h"
#include "tags/journal/JournalBatch.h"
#include "tags/journal/SaveJournal.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <functional>

#include <sys/stat.h>
#include <sys/file.h>

using namespace EditorTest;

namespace {

const QByteArray audio = song(3000);

QByteArray field(const QByteArray &file, int offset, int width)
{
    const QByteArray bytes = file.right(128).mid(offset, width);
    return bytes.left(bytes.indexOf('\0') < 0 ? width : bytes.indexOf('\0')).trimmed();
}

}  // namespace

class TestJobWindow : public FolderTestCase {
    Q_OBJECT

private:
    // Alt+T, then the entry's mnemonic, as a user opens a job.
    JobDialog *openJob(Window &w, Qt::Key mnemonic)
    {
        w->activateWindow();  // after an earlier job's dialog
        if (!QTest::qWaitForWindowActive(&w.main()))
            return nullptr;
        QTest::keyClick(&w.main(), Qt::Key_T, Qt::AltModifier);
        QWidget *menu = QApplication::activePopupWidget();
        if (!menu)
            return nullptr;
        QTest::keyClick(menu, mnemonic);
        JobDialog *dialog = w->jobs().dialog();
        // The closing menu gives the focus back to the main window after the dialog is shown.
        QCoreApplication::processEvents();
        if (dialog)
            dialog->activateWindow();
        if (dialog && !QTest::qWaitForWindowActive(dialog))
            return nullptr;
        return dialog;
    }

    // Alt+A clicks Apply as a button's mnemonic does: after a short press.
    static bool applyAndWait(JobDialog *dialog)
    {
        QSignalSpy ended(dialog, &JobDialog::applied);
        QTest::keyClick(dialog, Qt::Key_A, Qt::AltModifier);
        return ended.wait();
    }

    // Answers the question the dialog asks on Apply with answer; counts the questions asked.
    struct Questions {
        QTimer timer;
        int asked = 0;
        explicit Questions(QMessageBox::StandardButton answer)
        {
            timer.setInterval(20);
            QObject::connect(&timer, &QTimer::timeout, [this, answer] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    ++asked;
                    box->button(answer)->click();
                }
            });
            timer.start();
        }
    };

    // Ctrl+Alt+Z in the window, as a user takes the last job back, and the undo's end waited for.
    static void undoFromTheWindow(Window &w, bool waiting = true)
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.main()));
        QTest::keyClick(w.TxtDispTag[0], Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
        if (waiting)
            QTRY_VERIFY(!w->saveUndo().undoing());
    }

    // Of Save Tags, Save and Next, the undos and the jobs, those enabled.
    static QStringList enabledWriters(Window &w)
    {
        QStringList names;
        for (const char *name : {"CmdSave", "mnuSaveNext", "mnuUndoSave", "mnuSaveHistory", "mnuTagsFromNames",
                                 "mnuValuesForEveryFile", "mnuTitlesFromList", "mnuCaseAndReplace", "mnuNumberTracks",
                                 "mnuRenameEveryFile"})
            if (w->findChild<QObject *>(QLatin1String(name))->property("enabled").toBool())
                names << QLatin1String(name);
        return names;
    }

private slots:
    void anAlbumIsTaggedFromItsNamesAndUndoneAtOnce()
    {
        StateHome state;
        const QList<QByteArray> names = {
            "01 - T-Pain - Up", "02 - Jay-Z - Down", "03 - Red Kettle - Intro - Reprise", "04 - A-ha - Sun",
            "05 - Red Kettle - Morning Walk", "06 - T-Pain - Low", "07 - Jay-Z - Late", "08 - Red Kettle - Tide",
            "09 - A-ha - Stay", "10 - Red Kettle - Far", "11 - T-Pain - Last", "12 - Red Kettle - End"};
        for (int i = 0; i < names.size(); ++i)  // every other file already tagged
            QVERIFY(writeFile(file(names[i] + ".mp3"), i % 2 ? song(3000 + i) : audio + trailer("Old", "Old")));
        QVERIFY(writeFile(file("Bonus Track.mp3"), audio + trailer("Bonus")));
        const auto before = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));

        JobDialog *dialog = openJob(w, Qt::Key_N);
        QVERIFY(dialog);
        auto &inputs = static_cast<NameJobPage &>(dialog->inputs());
        QCOMPARE(inputs.patternBox->currentText(), QStringLiteral("%n - %a - %t"));
        QCOMPARE(inputs.matchCount->text(), QStringLiteral("matches 12 of 13 files"));
        // Enter in the pattern box applies nothing.
        QTest::keyClick(inputs.patternBox, Qt::Key_Return);
        QCOMPARE(snapshot(), before);

        QVERIFY(applyAndWait(dialog));
        QCOMPARE(log.texts, QStringList());
        QVERIFY(dialog->summaryText().startsWith(QStringLiteral("Written 12, unchanged 0, skipped 1: does not match")));
        QCOMPARE(readFile(file("Bonus Track.mp3")), before.value("Bonus Track.mp3"));
        for (int i = 0; i < names.size(); ++i) {
            const QByteArray now = readFile(file(names[i] + ".mp3"));
            const QByteArray was = before.value(QString::fromUtf8(names[i] + ".mp3"));
            const QByteArray body = i % 2 ? was : was.chopped(128);
            QCOMPARE(now.size(), body.size() + 128);
            QVERIFY(now.startsWith(body));
            QCOMPARE(field(now, 3, 30), names[i].mid(names[i].indexOf(" - ", 5) + 3));
            QCOMPARE(field(now, 33, 30), names[i].mid(5, names[i].indexOf(" - ", 5) - 5));
            QCOMPARE(now.at(now.size() - 3), '\0');
            QCOMPARE(int(quint8(now.at(now.size() - 2))), i + 1);
        }
        QCOMPARE(inputs.patternBox->itemText(0), QStringLiteral("%n - %a - %t"));  // offered again

        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w->jobs().dialog());
        emit w->mnuEdit->aboutToShow();
        QCOMPARE(w->findChild<QAction *>(QStringLiteral("mnuUndoSave"))->text(),
                 QStringLiteral("&Undo Tags from File Names (12 files)"));
        undoFromTheWindow(w);
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
    }

    void cyrillicNamesAreWrittenInTheChosenPage()
    {
        StateHome state;
        const QString good = QStringLiteral("01 - Кино - Звезда.mp3"), bad = QStringLiteral("02 - Кино - Ωmega.mp3");
        QVERIFY(writeFile(file(good.toUtf8()), audio));
        QVERIFY(writeFile(file(bad.toUtf8()), audio));
        Window w;
        w->session().chooseCodePage(1251);
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_N);
        QVERIFY(dialog);
        QCOMPARE(dialog->rows().size(), size_t(2));
        QCOMPARE(dialog->rows()[1].state, JobState::Skipped);
        QVERIFY(dialog->rows()[1].reason.contains(QStringLiteral("cannot be stored in the chosen code page")));
        QVERIFY(applyAndWait(dialog));
        const QByteArray written = readFile(file(good.toUtf8()));
        QCOMPARE(field(written, 33, 30), QByteArray("\xCA\xE8\xED\xEE"));                  // Кино
        QCOMPARE(field(written, 3, 30), QByteArray("\xC7\xE2\xE5\xE7\xE4\xE0"));          // Звезда
        QCOMPARE(readFile(file(bad.toUtf8())), audio);
    }

    void escapeBeforeApplyWritesNothing()
    {
        StateHome state;
        QVERIFY(writeFile(file("01 - Red Kettle - Tide.mp3"), audio));
        const auto before = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_N);
        QVERIFY(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w->jobs().dialog());
        QCOMPARE(snapshot(), before);
    }

    void valuesGoOnlyToTheTickedFields()
    {
        StateHome state;
        QVERIFY(writeFile(file("a.mp3"), audio + trailer("Song A", "Artist A", "Old", "1990", "keep me", 17)));
        QVERIFY(writeFile(file("b.mp3"), audio));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_V);
        QVERIFY(dialog);
        auto &inputs = static_cast<ValuesJobPage &>(dialog->inputs());
        QVERIFY(!dialog->applyButton->isEnabled());  // nothing ticked yet
        QTest::keyClicks(inputs.boxes[0], QStringLiteral("Not Me"));
        QTest::keyClick(inputs.ticks[0], Qt::Key_Space);  // the artist unticked again
        QTest::keyClicks(inputs.boxes[1], QStringLiteral("Red Album"));
        QTest::keyClicks(inputs.boxes[2], QStringLiteral("2001"));
        QVERIFY(applyAndWait(dialog));
        const QByteArray a = readFile(file("a.mp3")), b = readFile(file("b.mp3"));
        const QList<QByteArray> fieldsOfA = {field(a, 3, 30), field(a, 33, 30), field(a, 63, 30), field(a, 93, 4),
                                             field(a, 97, 30)};
        QCOMPARE(fieldsOfA, QList<QByteArray>({"Song A", "Artist A", "Red Album", "2001", "keep me"}));
        QCOMPARE(int(a.back()), 17);
        QCOMPARE(field(b, 63, 30), QByteArray("Red Album"));
        QCOMPARE(field(b, 93, 4), QByteArray("2001"));
        QCOMPARE(field(b, 33, 30), QByteArray());
    }

    // The window's context: the player's file left alone with the reason shown, Keep File Times.
    void theHeldFileIsSkippedAndTimesAreKept()
    {
        StateHome state;
        QVERIFY(writeFile(file("01 - A - Held.mp3"), audio));
        QVERIFY(writeFile(file("02 - A - Free.mp3"), audio));
        QVERIFY(setTimes(file("02 - A - Free.mp3"), oldTimes));
        JobContext context{m_folder, &CodePage::byNumber(1252), {}, file("01 - A - Held.mp3"), {}, true};
        JobDialog dialog(new NameJobPage(SettingsKeys::application), context);
        QCOMPARE(dialog.rows()[0].reason, TagSaver::playingText());
        QSignalSpy ended(&dialog, &JobDialog::applied);
        dialog.apply();
        QVERIFY(ended.wait());
        QCOMPARE(readFile(file("01 - A - Held.mp3")), audio);
        QCOMPARE(field(readFile(file("02 - A - Free.mp3")), 3, 30), QByteArray("Free"));
        QCOMPARE(timesOf(file("02 - A - Free.mp3")).modifiedNs, oldTimes.modifiedNs);  // reading sets atime
    }

    // Cancel stops after the file being written; what was written is one named, undoable batch.
    void aCancelledRunStaysJournalled()
    {
        StateHome state;
        for (const char *name : {"01 - A - One.mp3", "02 - A - Two.mp3", "03 - A - Three.mp3"})
            QVERIFY(writeFile(file(name), audio));
        FileStatus listed = FileStatus::success();
        const std::vector<JobFile> files = listJobFiles(m_folder, listed);
        const std::vector<JobRow> rows = previewJob(files, nameJobPlanner(NamePattern(QStringLiteral("%n - %a - %t")), false),
                                                    CodePage::byNumber(1252));
        JobRun run(rows, {QStringLiteral("Tags from File Names"), state.journalFolder(), false});
        QSignalSpy ended(&run, &JobRun::finished);
        run.cancel();
        run.start();
        QVERIFY(ended.wait());
        QCOMPARE(run.summary().written, 1);
        QVERIFY(run.summary().stopped);
        QCOMPARE(readFile(file("02 - A - Two.mp3")), audio);
        SaveJournal journal(state.journalFolder());
        const UndoableBatch batch = lastUndoableBatch(journal);
        QCOMPARE(batch.saves.size(), size_t(1));
        QCOMPARE(batch.jobName, QStringLiteral("Tags from File Names"));
    }

    // A job is taken back whole or not at all: one file changed since refuses the undo of all.
    void anUndoRefusedForOneFileUndoesNone()
    {
        StateHome state;
        QVERIFY(writeFile(file("a.mp3"), audio));
        QVERIFY(writeFile(file("b.mp3"), audio));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_V);
        QVERIFY(dialog);
        QTest::keyClicks(static_cast<ValuesJobPage &>(dialog->inputs()).boxes[1], QStringLiteral("Red Album"));
        QVERIFY(applyAndWait(dialog));
        const QByteArray a = readFile(file("a.mp3"));
        QVERIFY(writeFile(file("b.mp3"), readFile(file("b.mp3")).chopped(1) + 'x'));
        const auto before = snapshot();
        w->saveUndo().mnuUndoSave_Click();
        QTRY_VERIFY(!w->saveUndo().undoing());
        QCOMPARE(snapshot(), before);
        QCOMPARE(log.texts.size(), 1);
        QVERIFY(log.texts[0].startsWith(QStringLiteral("Nothing was undone:\nb.mp3: ")));
        QCOMPARE(readFile(file("a.mp3")), a);
    }

    void titlesComeFromAPastedList_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("titles");  // per file; empty: the file is not touched
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("fieldIndex");  // in the field box: Title, Artist, Album, ...
        QTest::newRow("more lines") << QStringLiteral("1. Morning Walk (3:45)\n02 - Tide 4:10\nA3) Far\n4. Extra")
                                    << QStringList{"Morning Walk", "Tide", "Far"}
                                    << QStringLiteral("4 lines for 3 files: only the paired files change") << 0;
        QTest::newRow("fewer lines") << QStringLiteral("01. Morning Walk\r\n\r\n02. Tide [3:01]\r\n")
                                     << QStringList{"Morning Walk", "Tide", ""}
                                     << QStringLiteral("2 lines for 3 files: only the paired files change") << 0;
        QTest::newRow("to the album") << QStringLiteral("Blue\nRed\nGold") << QStringList{"Blue", "Red", "Gold"}
                                      << QString() << 2;
    }

    void titlesComeFromAPastedList()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, titles);
        QFETCH(int, fieldIndex);
        StateHome state;
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            QVERIFY(writeFile(file(name), audio + trailer("Old", "Artist")));
        const auto before = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_T);
        QVERIFY(dialog);
        auto &inputs = static_cast<ListJobPage &>(dialog->inputs());
        QVERIFY(!dialog->applyButton->isEnabled());  // no list yet
        inputs.fieldBox->setCurrentIndex(fieldIndex);
        QApplication::clipboard()->setText(list);
        QTest::keyClick(inputs.listText, Qt::Key_V, Qt::ControlModifier);
        QTEST(inputs.countLabel->text(), "count");
        Questions yes(QMessageBox::Yes);  // when the counts differ
        QVERIFY(applyAndWait(dialog));
        for (int i = 0; i < titles.size(); ++i) {
            const QByteArray name = QByteArray(1, char('a' + i)) + ".mp3";
            const QByteArray now = readFile(file(name));
            if (titles[i].isEmpty()) {
                QCOMPARE(now, before.value(QString::fromLatin1(name)));
                continue;
            }
            const QList<QByteArray> fields = {field(now, 3, 30), field(now, 33, 30), field(now, 63, 30)};
            QList<QByteArray> expected = {"Old", "Artist", ""};
            expected[fieldIndex] = titles[i].toUtf8();
            QCOMPARE(fields, expected);
        }
    }

    // A list file that cannot be read is said and leaves the box as it was.
    void aListIsOpenedOnlyWhenReadable_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // empty: a FIFO
        QTest::addColumn<QString>("said");
        QTest::newRow("text") << QByteArray("1. One\n") << QString();
        QTest::newRow("not UTF-8") << QByteArray("\xC0ne\n") << QStringLiteral("list.txt could not be read: it is not UTF-8 text.");
        QTest::newRow("FIFO") << QByteArray() << QStringLiteral("list.txt could not be read: ");
    }

    void aListIsOpenedOnlyWhenReadable()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        const QByteArray path = file("list.txt");
        QVERIFY(bytes.isEmpty() ? ::mkfifo(path.constData(), 0600) == 0 : writeFile(path, bytes));
        ListJobPage inputs;
        inputs.listText->setPlainText(QStringLiteral("kept"));
        QCOMPARE(inputs.openList(QString::fromUtf8(path)), said.isEmpty());
        QCOMPARE(inputs.listText->toPlainText(), said.isEmpty() ? QString::fromUtf8(bytes) : QStringLiteral("kept"));
        QCOMPARE(log.texts.size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY(log.texts[0].startsWith(said));
    }

    void caseAndReplace_data()
    {
        QTest::addColumn<int>("letterCase");
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QByteArray>("title");  // on disk after Apply; empty: Apply stays disabled
        // "группа крови (live)" in code page 1251.
        QTest::newRow("Title Case in 1251") << int(LetterCase::Title) << QString() << false
                                            << QByteArray("\xC3\xF0\xF3\xEF\xEF\xE0 \xCA\xF0\xEE\xE2\xE8 (Live)");
        QTest::newRow("plain bracket") << int(LetterCase::Keep) << QStringLiteral("(") << false
                                       << QByteArray("\xE3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8 [live)");
        QTest::newRow("invalid regex") << int(LetterCase::Keep) << QStringLiteral("(") << true << QByteArray();
    }

    void caseAndReplace()
    {
        QFETCH(int, letterCase);
        QFETCH(QString, find);
        QFETCH(bool, regex);
        QFETCH(QByteArray, title);
        StateHome state;
        const QByteArray old = audio + trailer("\xE3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8 (live)");
        QVERIFY(writeFile(file("a.mp3"), old));
        Window w;
        w->session().chooseCodePage(1251);
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_A);
        QVERIFY(dialog);
        auto &inputs = static_cast<CaseJobPage &>(dialog->inputs());
        inputs.letterCase->setCurrentIndex(letterCase);
        inputs.regex->setChecked(regex);
        QTest::keyClicks(inputs.findText, find);
        QTest::keyClicks(inputs.replaceText, QStringLiteral("["));
        if (title.isEmpty()) {
            QVERIFY(!dialog->applyButton->isEnabled());
            QVERIFY(dialog->summaryText().startsWith(QStringLiteral("The replacement cannot be used: ")));
            QTest::keyClick(dialog, Qt::Key_A, Qt::AltModifier);
            QCOMPARE(readFile(file("a.mp3")), old);
            return;
        }
        QVERIFY(applyAndWait(dialog));
        QCOMPARE(field(readFile(file("a.mp3")), 3, 30), title);
    }

    // Four jobs from the keyboard alone make an album of twelve bare rips; four undos give every
    // name and byte back.
    void anAlbumIsTaggedByFourJobsAndUndoneByFour()
    {
        StateHome state;
        const QStringList titles = {"Morning Walk", "Tide", "Far", "Low", "Late", "Stay",
                                    "Up", "Down", "Sun", "Intro", "Last", "End"};
        QString sleeve;
        for (int i = 0; i < titles.size(); ++i) {
            const QByteArray name = QStringLiteral("track%1.mp3").arg(i + 1, 2, 10, QLatin1Char('0')).toLatin1();
            QVERIFY(writeFile(file(name), i % 3 ? song(3000 + i) : audio + trailer("Old", "Someone")));
            sleeve += QStringLiteral("%1. %2 (%3:0%4)\n").arg(i + 1).arg(titles[i]).arg(3).arg(i % 10);
        }
        const auto before = snapshot();
        Window w(m_folder, Names::Long);
        const auto run = [&](Qt::Key mnemonic, const std::function<void()> &fill) {
            JobDialog *dialog = openJob(w, mnemonic);
            if (!dialog)
                return false;
            fill();
            const bool applied = applyAndWait(dialog) && log.texts.isEmpty();
            QTest::keyClick(dialog, Qt::Key_Escape);
            return applied && QTest::qWaitFor([&] { return !w->jobs().dialog(); });
        };
        const auto typeHere = [](const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); };
        const auto tab = [](int times) {
            for (int i = 0; i < times; ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        };
        QVERIFY(run(Qt::Key_T, [&] {
            QApplication::clipboard()->setText(sleeve);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
        }));
        QVERIFY(run(Qt::Key_V, [&] {  // the cursor in Album, which no file has; each box follows its tick
            typeHere(QStringLiteral("Blue Hours"));
            tab(2);
            typeHere(QStringLiteral("2001"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::AltModifier);  // into Artist's box
            typeHere(QStringLiteral("Red Kettle"));
        }));
        QVERIFY(run(Qt::Key_U, [] {}));
        QVERIFY(run(Qt::Key_R, [] {}));

        const auto now = snapshot();
        QCOMPARE(now.size(), titles.size());
        for (int i = 0; i < titles.size(); ++i) {
            const QString name = QStringLiteral("Red Kettle-%1.MP3").arg(titles[i]);
            QVERIFY2(now.contains(name), qPrintable(name));
            const QByteArray bytes = now.value(name);
            const QByteArray was = before.value(QStringLiteral("track%1.mp3").arg(i + 1, 2, 10, QLatin1Char('0')));
            QVERIFY(bytes.startsWith(i % 3 ? was : was.chopped(128)));
            const QList<QByteArray> fields = {field(bytes, 3, 30), field(bytes, 33, 30), field(bytes, 63, 30),
                                              field(bytes, 93, 4)};
            QCOMPARE(fields, QList<QByteArray>({titles[i].toUtf8(), "Red Kettle", "Blue Hours", "2001"}));
            QCOMPARE(bytes.at(bytes.size() - 3), '\0');
            QCOMPARE(int(quint8(bytes.at(bytes.size() - 2))), i + 1);
        }

        for (int undo = 0; undo < 4; ++undo)
            undoFromTheWindow(w);
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
    }

    void storedPatternsAreOfferedWhenUsable()
    {
        StateHome state;
        QVERIFY(writeFile(file("x.mp3"), audio));
        const SettingsKeys::Entry &entry = SettingsKeys::namePatterns;
        const QStringList stored = {QStringLiteral("%a - %t"), QStringLiteral("bad\tone"), QString(256, QLatin1Char('x')),
                                    QStringLiteral("%a - %t"), QStringLiteral("%n. %t")};
        for (int n = 0; n < stored.size(); ++n)
            QVERIFY(SettingsStore::write(SettingsKeys::application, entry.section, entry.key + QString::number(n + 1),
                                         stored[n]));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_N);
        QVERIFY(dialog);
        const QComboBox *box = static_cast<NameJobPage &>(dialog->inputs()).patternBox;
        QStringList offered;
        for (int i = 0; i < box->count(); ++i)
            offered << box->itemText(i);
        QCOMPARE(offered, QStringList({QStringLiteral("%a - %t"), QStringLiteral("%n. %t")}));
    }

    void aLongCommentIsCutOnlyWhenTicked_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::newRow("not ticked") << false;
        QTest::newRow("ticked") << true;
    }

    void aLongCommentIsCutOnlyWhenTicked()
    {
        QFETCH(bool, cut);
        StateHome state;
        const QByteArray comment30("Recorded live at the Red Hall");  // 29 bytes and the 30th
        QVERIFY(writeFile(file("1.mp3"), audio));
        QVERIFY(writeFile(file("2.mp3"), audio + trailer("Long", "", "", "", comment30 + '!')));
        QVERIFY(writeFile(file("3.mp3"), audio + trailer("Typed", "", "", "", "short")));
        const auto before = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_U);
        QVERIFY(dialog);
        auto &inputs = static_cast<NumberJobPage &>(dialog->inputs());
        QCOMPARE(dialog->rows()[1].reason, QStringLiteral("comment would be cut to 28 bytes"));
        if (cut)
            QTest::keyClick(inputs.cutComments, Qt::Key_Space);

        // The third file's number typed in its Track cell (the second column), from the keyboard.
        auto *table = dialog->findChild<QTableView *>(QStringLiteral("jobPreview"));
        table->setFocus();
        table->setCurrentIndex(table->model()->index(2, 1));
        QTest::keyClick(table, Qt::Key_F2);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor && editor != table);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("9"));
        QTest::keyClick(editor, Qt::Key_Return);  // the view takes the text on its next turn
        QTRY_COMPARE(dialog->rows()[2].trackAfter, 9);
        QCOMPARE(table->currentIndex().row(), 2);  // the preview planned again in place

        QVERIFY(applyAndWait(dialog));
        const auto trackBytes = [](const QByteArray &bytes) { return bytes.mid(bytes.size() - 3, 2); };
        QCOMPARE(trackBytes(readFile(file("1.mp3"))), QByteArray("\0\1", 2));  // a trailer added
        QCOMPARE(trackBytes(readFile(file("3.mp3"))), QByteArray("\0\x09", 2));
        const QByteArray second = readFile(file("2.mp3"));
        if (!cut) {
            QCOMPARE(second, before.value(QStringLiteral("2.mp3")));
        } else {
            QCOMPARE(second.mid(second.size() - 31, 28), comment30.left(28));
            QCOMPARE(trackBytes(second), QByteArray("\0\2", 2));
        }
        // A cell still being edited as the window goes is dropped, not planned from a dialog half gone.
        table->setFocus();
        QTest::keyClick(table, Qt::Key_F2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
    }

    void everyFileIsRenamedFromItsTagsAndUndoneAtOnce()
    {
        StateHome state;
        QVERIFY(writeFile(file("t1.mp3"), audio + trailer("Morning Walk", "Red Kettle")));
        QVERIFY(writeFile(file("t2.mp3"), audio + trailer("Far", "Red Kettle")));
        QVERIFY(writeFile(file("t3.mp3"), audio + trailer("Morning Walk", "Red Kettle")));  // t1's new name
        QVERIFY(writeFile(file("Red Kettle-Far.MP3"), audio));  // no tag: keeps its name, t2 cannot take it
        const auto before = snapshot();
        Window w(m_folder, Names::Long);
        QVERIFY(w.clickFile("t1.mp3"));
        JobDialog *dialog = openJob(w, Qt::Key_R);
        QVERIFY(dialog);
        QVERIFY(applyAndWait(dialog));
        QCOMPARE(dialog->summaryText().section(QLatin1Char(':'), 0, 0),
                 QStringLiteral("Written 1, unchanged 1, skipped 2"));
        QStringList names = snapshot().keys();
        names.sort();
        QCOMPARE(names, QStringList({"Red Kettle-Far.MP3", "Red Kettle-Morning Walk.MP3", "t2.mp3", "t3.mp3"}));
        QCOMPARE(readFile(file("Red Kettle-Morning Walk.MP3")), before.value(QStringLiteral("t1.mp3")));
        QCOMPARE(readFile(file("Red Kettle-Far.MP3")), before.value(QStringLiteral("Red Kettle-Far.MP3")));
        QCOMPARE(w->session().CurrentPath(), file("Red Kettle-Morning Walk.MP3"));

        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w->jobs().dialog());
        undoFromTheWindow(w);
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
        QCOMPARE(w->session().CurrentPath(), file("t1.mp3"));
    }

    // A job's undo runs off the window's thread: with a file locked here (as by another process)
    // it waits, while the window shows its progress and lets nothing else write; closed, the
    // window waits for the undo's end.
    // The album of the README's Folder jobs section, by keys alone: each menu choice, key press
    // and typed text is one action. Every job is previewed before it writes, and each is taken
    // back by one undo.
    void anAlbumIsTaggedAndRenamedInTwelveActions()
    {
        StateHome state;
        const QList<QByteArray> artists = {"Red Kettle", "T-Pain", "A-ha"};
        const QList<QByteArray> titles = {"Morning Walk", "Up", "Tide", "Far - Reprise", "Sun", "Low",
                                          "Late", "Stay", "Last", "End", "Noon", "Home"};
        QList<QByteArray> names, bodies;
        for (int i = 0; i < titles.size(); ++i) {
            names << QByteArray::number(i + 1).rightJustified(2, '0') + " - " + artists[i % 3] + " - " + titles[i];
            bodies << song(3000 + i);
            QVERIFY(writeFile(file(names[i] + ".mp3"), bodies[i]));
        }
        const auto untagged = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));
        int actions = 0;
        const auto menu = [&](Qt::Key entry) {
            ++actions;
            return openJob(w, entry);
        };
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            ++actions;
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        const auto type = [&](const QString &text) {
            ++actions;
            QTest::keyClicks(QApplication::focusWidget(), text);
        };
        const auto changes = [](JobDialog *dialog) {
            return int(std::count_if(dialog->rows().begin(), dialog->rows().end(),
                                     [](const JobRow &row) { return row.state == JobState::WillChange; }));
        };
        const auto applyAndClose = [&] {
            press(Qt::Key_Return, Qt::ControlModifier);
            QTRY_VERIFY(!w->jobs().dialog());
        };

        JobDialog *dialog = menu(Qt::Key_N);  // 1: Tags > Tags from File Names
        QVERIFY(dialog);
        QCOMPARE(changes(dialog), 12);  // the guessed pattern "%n - %a - %t", previewed
        QCOMPARE(snapshot(), untagged);
        applyAndClose();  // 2: Ctrl+Enter
        QCOMPARE(w->jobs().shownSummary(), QStringLiteral("Tags from File Names: Written 12, unchanged 0, skipped 0."));
        const auto named = snapshot();

        dialog = menu(Qt::Key_V);  // 3: Tags > Values for Every File, the cursor in Album
        QVERIFY(dialog);
        auto &values = static_cast<ValuesJobPage &>(dialog->inputs());
        QCOMPARE(QApplication::focusWidget(), values.boxes[1]);
        type(QStringLiteral("Blue Album"));  // 4
        press(Qt::Key_Y, Qt::AltModifier);   // 5: Alt+Y, the cursor in Year
        type(QStringLiteral("1994"));        // 6
        press(Qt::Key_G, Qt::AltModifier);   // 7: Alt+G, the cursor in Genre
        type(QStringLiteral("Rock"));        // 8
        QCOMPARE(dialog->inputs().fields(), (QList<TagField>{TagField::Album, TagField::Year, TagField::Genre}));
        QCOMPARE(changes(dialog), 12);
        QCOMPARE(snapshot(), named);
        applyAndClose();  // 9
        QVERIFY(w->statusBar()->currentMessage().startsWith(QStringLiteral("Values for Every File: Written 12")));
        const auto valued = snapshot();

        dialog = menu(Qt::Key_R);  // 10: Tags > Rename Every File, the cursor in Pattern
        QVERIFY(dialog);
        type(QStringLiteral("%n - %t"));  // 11: typing the pattern chooses it
        QCOMPARE(changes(dialog), 12);
        QCOMPARE(dialog->rows()[3].newName, QByteArray("04 - Far - Reprise.mp3"));
        QCOMPARE(snapshot(), valued);
        applyAndClose();  // 12
        QCOMPARE(actions, 12);

        QStringList expected;
        for (int i = 0; i < titles.size(); ++i) {
            const QByteArray name = names[i].left(5) + titles[i] + ".mp3";
            expected << QString::fromUtf8(name);
            const QByteArray comment = QByteArray(28, ' ') + '\0' + char(i + 1);
            QCOMPARE(readFile(file(name)), bodies[i] + trailer(titles[i], artists[i % 3], "Blue Album", "1994", comment, 17));
        }
        QStringList now = snapshot().keys();
        now.sort();
        QCOMPARE(now, expected);
        QCOMPARE(log.texts, QStringList());

        QVERIFY(w->jobs().shownSummary().startsWith(QStringLiteral("Rename Every File: Written 12")));
        for (const auto &back : {valued, named, untagged}) {  // one undo a job, the newest first
            undoFromTheWindow(w);
            QCOMPARE(snapshot(), back);
            QCOMPARE(w->jobs().shownSummary(), QString());  // the undo is the next action
        }
        QCOMPARE(log.texts, QStringList());
    }

    // The preview reads at a glance: the job's columns first, a new name alone (the old in its
    // tooltip), long reasons cut with "…" and whole in their tooltip, reasons counted together in
    // the summary, never fewer than ten rows in view; OK closes and the summary stays.
    void thePreviewReadsAtAGlance()
    {
        StateHome state;
        const QByteArray numbered = QByteArray(28, ' ') + '\0' + '\1';
        QVERIFY(writeFile(file("a.mp3"), audio + trailer("Up", {}, {}, {}, numbered)));
        QVERIFY(writeFile(file("b.mp3"), audio + trailer("Down")));  // no number: skipped
        QVERIFY(writeFile(file("c.mp3"), audio + trailer("Noon")));  // the same
        QVERIFY(writeFile(file("d.mp3"), audio + trailer("AC/DC", {}, {}, {}, numbered)));  // "/" in a name
        QVERIFY(writeFile(file("e.mp3"), song(100)));                  // no tag
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_R);
        QVERIFY(dialog);
        auto &inputs = static_cast<RenameJobPage &>(dialog->inputs());
        QCOMPARE(QApplication::focusWidget(), inputs.patternBox);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("%n - %t - %t"));
        QCOMPARE(inputs.style->currentIndex(), int(RenameJobPage::ByPattern));
        QVERIFY(dialog->summaryText().startsWith(QStringLiteral("The pattern cannot be used: ")));
        QVERIFY(!dialog->okButton->isEnabled());
        const QString pattern = QStringLiteral("%n - %t, a name long enough");
        inputs.patternBox->setEditText(pattern);

        auto *table = dialog->findChild<QTableView *>(QStringLiteral("jobPreview"));
        const QAbstractItemModel *model = table->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("State"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("File"));
        const QString newName = QStringLiteral("01 - Up, a name long enough.mp3");
        QCOMPARE(model->index(0, 0).data().toString(), newName);
        QCOMPARE(model->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("was: a.mp3"));
        QCOMPARE(model->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("skipped: no name: the track number is empty"));
        const QString slash = model->index(3, 1).data(Qt::ToolTipRole).toString();
        QVERIFY(slash.endsWith(QStringLiteral("a file name cannot contain \"/\".")));
        QVERIFY(table->columnWidth(1) < table->fontMetrics().horizontalAdvance(slash));  // cut with "…"
        QCOMPARE(dialog->summaryText(),
                 QStringLiteral("1 will change, 0 unchanged, 4 skipped: 2 no name: the track number is empty; 1 The new "
                                "file name \"…\" cannot be used: a file name cannot contain \"/\"; 1 has no tag to name "
                                "it by."));
        QVERIFY(table->viewport()->height() >= 10 * table->verticalHeader()->defaultSectionSize());

        // OK applies and closes; the summary stays in the window until the next action.
        QTest::keyClick(dialog, Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(!w->jobs().dialog());
        QVERIFY(QFile::exists(QString::fromUtf8(file(newName.toUtf8()))));
        QVERIFY(w->jobs().shownSummary().startsWith(QStringLiteral("Rename Every File: Written 1, unchanged 0, skipped 4: 2 ")));
        QVERIFY(w.clickFile("b.mp3"));
        w.save();
        QCOMPARE(w->jobs().shownSummary(), QString());

        // The pattern is offered again, and chosen, as the dialog opens next.
        dialog = openJob(w, Qt::Key_R);
        QVERIFY(dialog);
        auto &again = static_cast<RenameJobPage &>(dialog->inputs());
        QCOMPARE(again.style->currentIndex(), int(RenameJobPage::ByPattern));
        QCOMPARE(again.patternBox->itemText(0), pattern);
        QCOMPARE(again.patternBox->currentText(), pattern);
    }

    // Values for Every File: an access key puts the cursor in its box (a space typed stays in
    // the value), typing ticks, each box counts its bytes in the chosen page, a value that does
    // not fit is marked at its box while the preview shows the other fields, a two-digit year is
    // questioned.
    void valuesAreCheckedAtTheirBoxes()
    {
        StateHome state;
        QVERIFY(writeFile(file("a.mp3"), audio + trailer("Up", "Band", "Old")));
        Window w;
        w->session().chooseCodePage(1251);
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_V);
        QVERIFY(dialog);
        auto &inputs = static_cast<ValuesJobPage &>(dialog->inputs());
        QCOMPARE(QApplication::focusWidget(), inputs.boxes[2]);  // Year: the first field no file has
        QTest::keyClick(dialog, Qt::Key_R, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), inputs.boxes[0]);
        // Typed as one key's text: keyClicks sends Latin-1 only.
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QStringLiteral("Кино Band"),
                            Qt::NoModifier);
        QVERIFY(inputs.ticks[0]->isChecked());
        QCOMPARE(inputs.notes[0]->text(), QStringLiteral("9/30"));  // one byte a letter in 1251

        QTest::keyClick(dialog, Qt::Key_B, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("An Album Name Of Thirty-One Bytes"));
        QCOMPARE(inputs.notes[1]->text(), QStringLiteral("33/30"));
        QVERIFY(!inputs.boxes[1]->styleSheet().isEmpty());
        QVERIFY(!dialog->applyButton->isEnabled());
        QVERIFY(dialog->summaryText().startsWith(QStringLiteral("The album takes 33 bytes of 30. 1 will change")));
        QCOMPARE(dialog->inputs().fields(), QList<TagField>{TagField::Artist});  // the preview goes on without it
        QCOMPARE(dialog->rows()[0].state, JobState::WillChange);

        QTest::keyClick(dialog, Qt::Key_B, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Blue Album"));
        QVERIFY(inputs.boxes[1]->styleSheet().isEmpty());
        QTest::keyClick(dialog, Qt::Key_Y, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("94"));
        QCOMPARE(inputs.notes[2]->text(), QStringLiteral("2/4 1994 or 2094?"));
        QTest::keyClick(dialog, Qt::Key_G, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Polka Rock"));
        QVERIFY(!inputs.genre->styleSheet().isEmpty());
        QVERIFY(dialog->summaryText().startsWith(QStringLiteral("The genre is not one of the list. 1 will change")));
        QCOMPARE(dialog->inputs().fields(), (QList<TagField>{TagField::Artist, TagField::Album, TagField::Year}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Polka"));
        QVERIFY(dialog->applyButton->isEnabled());
        QVERIFY(applyAndWait(dialog));
        QCOMPARE(readFile(file("a.mp3")), audio + trailer("Up", "\xCA\xE8\xED\xEE Band", "Blue Album", "94", {}, 75));
    }

    // Titles from a List: the lines past the last file are rows of their own, and Apply with
    // counts that differ asks once; No writes nothing.
    void aListLongerThanTheFolderAsksOnce()
    {
        StateHome state;
        for (const char *name : {"a.mp3", "b.mp3"})
            QVERIFY(writeFile(file(name), audio + trailer("Old")));
        const auto before = snapshot();
        Window w;
        QVERIFY(w.openFolder(m_folder));
        JobDialog *dialog = openJob(w, Qt::Key_T);
        QVERIFY(dialog);
        static_cast<ListJobPage &>(dialog->inputs()).listText->setPlainText(QStringLiteral("One\nTwo\nThree"));
        QCOMPARE(dialog->rows().size(), size_t(3));
        QCOMPARE(dialog->rows()[2].file.display, QStringLiteral("line 3: Three"));
        QCOMPARE(dialog->rows()[2].reason, QStringLiteral("no file for this line"));
        {
            Questions no(QMessageBox::No);
            QTest::keyClick(dialog, Qt::Key_A, Qt::AltModifier);
            QTRY_COMPARE(no.asked, 1);
        }
        QVERIFY(!dialog->running());
        QCOMPARE(snapshot(), before);
        dialog->activateWindow();  // after the question's box
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        Questions yes(QMessageBox::Yes);
        QVERIFY(applyAndWait(dialog));
        QCOMPARE(yes.asked, 1);
        QVERIFY(dialog->summaryText().startsWith(QStringLiteral("Written 2, unchanged 0, skipped 1: no file for this line.")));
        QCOMPARE(readFile(file("b.mp3")), audio + trailer("Two"));
    }

    void aJobsUndoLeavesTheWindowFree_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::newRow("to its end") << false;
        QTest::newRow("window closed") << true;
    }

    void aJobsUndoLeavesTheWindowFree()
    {
        QFETCH(bool, closing);
        StateHome state;
        for (const char *name : {"a.mp3", "b.mp3", "c.mp3"})
            QVERIFY(writeFile(file(name), audio));
        const auto before = snapshot();
        auto window = std::make_unique<Window>(m_folder);
        Window &w = *window;
        JobDialog *dialog = openJob(w, Qt::Key_V);
        QVERIFY(dialog);
        QTest::keyClicks(static_cast<ValuesJobPage &>(dialog->inputs()).boxes[1], QStringLiteral("Red Album"));
        QVERIFY(applyAndWait(dialog));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w->jobs().dialog());
        QStringList writers = enabledWriters(w);
        QFile held(QString::fromUtf8(file("b.mp3")));
        QVERIFY(held.open(QIODevice::ReadOnly) && ::flock(held.handle(), LOCK_EX | LOCK_NB) == 0);
        undoFromTheWindow(w, false);
        QVERIFY(w->saveUndo().undoing());
        emit w->mnuEdit->aboutToShow();
        QCOMPARE(enabledWriters(w), QStringList());
        if (closing) {
            connect(&w->saveUndo(), &QObject::destroyed, [&held] { held.close(); });
            window.reset();
            SaveJournal journal(state.journalFolder());
            QVERIFY(lastUndoableBatch(journal).saves.empty());
        } else {
            const auto progress = [&w] { return w->findChild<QProgressDialog *>(QStringLiteral("undoProgress")); };
            QTRY_VERIFY(progress() && progress()->isVisible());
            QSignalSpy ended(&w->saveUndo(), &SaveUndo::undoingChanged);
            held.close();
            QVERIFY(ended.wait());
            writers.removeOne(QStringLiteral("mnuUndoSave"));  // nothing left to undo
            QCOMPARE(enabledWriters(w), writers);
        }
        QCOMPARE(log.texts, QStringList());
        QCOMPARE(snapshot(), before);
    }

    // A job from the menu reads each file for its preview, writes it once (the reading checked
    // under the lock, not read again) and the list reads it once more: three opens a changed file,
    // and one for the ID3v2 badge of each row on screen.
    void aJobOpensEachFileThreeTimes()
    {
        StateHome state;
        constexpr int Files = 80;  // more than a screenful
        const QByteArray emptyV23("ID3\x03\x00\x00\x00\x00\x00\x00", 10);
        for (int i = 1; i <= Files; ++i)
            QVERIFY(writeFile(file(QByteArray::number(100 + i) + ".mp3"), emptyV23 + audio + trailer("Song")));
        Window w;
        QVERIFY(w.openFolder(m_folder));
        auto *list = w->findChild<Mp3List *>();
        QVERIFY(list);
        const auto badgesRead = [list] {
            int read = 0;
            for (int row = 0; row < list->rowCount(); ++row)
                read += list->notes(row).contains(QStringLiteral("ID3v2.3 tag"));
            return read;
        };
        QTRY_VERIFY(badgesRead() > 0);  // the rows on screen
        const int shown = badgesRead();
        QVERIFY(shown < Files);

        const long before = regularFileOpens();
        JobDialog *dialog = openJob(w, Qt::Key_V);
        QVERIFY(dialog);
        QTest::keyClicks(static_cast<ValuesJobPage &>(dialog->inputs()).boxes[1], QStringLiteral("Red Album"));
        QVERIFY(applyAndWait(dialog));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!w->jobs().dialog());
        QTRY_VERIFY(w.row(Files - 1).contains(QStringLiteral("Red Album")));
        QTRY_COMPARE(badgesRead(), shown);
        QCOMPARE(regularFileOpens() - before, 3L * Files + shown);
    }
};

QTEST_MAIN(TestJobWindow)
#include "tst_jobwindow.moc"
