#include "app/SaveUndo.h"

#include "app/FrmSaveHistory.h"
#include "app/UndoRun.h"
#include "browser/TagEditor.h"
#include "browser/TagSaver.h"
#include "session/EditSession.h"
#include "tags/files/HeldFile.h"
#include "tags/journal/JournalRecovery.h"
#include "tags/journal/JournalUndo.h"
#include "tags/text/Message.h"
#include "tags/text/TextEscape.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>

namespace {

// As the job dialog's: the progress of a run longer than about a second, updated ten times a second.
constexpr int ProgressAfterMs = 1000;
constexpr int ProgressEveryMs = 100;

// The menu entry's text: "&Undo Save of NAME", the file by the name the list shows now (the new
// one after a rename), an ampersand of the name shown as itself.
QString undoEntryText(const JournalRecord &record)
{
    QString name = TextEscape::shown(record.currentName());
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&Undo Save of ") + name;
}

// "&Undo Tags from File Names (12 files)"; a batch of a command, or a job whose name is not one
// the window knows (the journal is input), is named by its count.
QString batchEntryText(const UndoableBatch &batch, const QStringList &jobNames)
{
    const size_t n = batch.saves.size();
    const QString count = n == 1 ? QStringLiteral("(1 file)") : QStringLiteral("(%1 files)").arg(n);
    if (jobNames.contains(batch.jobName))
        return QStringLiteral("&Undo %1 %2").arg(batch.jobName, count);
    return QStringLiteral("&Undo Saves %1").arg(count);
}

bool sameFolder(const QByteArray &a, const QByteArray &b)
{
    struct stat sa, sb;
    return ::stat(a.constData(), &sa) == 0 && ::stat(b.constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

}  // namespace

SaveUndo::SaveUndo(TagEditor &editor, EditSession &session, QMenu &editMenu, QWidget *window)
    : QObject(window), m_editor(editor), m_session(session), m_window(window)
{
    // Ctrl+Z stays with the text boxes, where it undoes typing.
    mnuUndoSave = editMenu.addAction(QStringLiteral("&Undo Save"));
    mnuUndoSave->setObjectName(QStringLiteral("mnuUndoSave"));
    mnuUndoSave->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    mnuUndoSave->setEnabled(false);
    mnuSaveHistory = editMenu.addAction(QStringLiteral("Save &History…"));
    mnuSaveHistory->setObjectName(QStringLiteral("mnuSaveHistory"));
    connect(mnuUndoSave, &QAction::triggered, this, &SaveUndo::mnuUndoSave_Click);
    connect(mnuSaveHistory, &QAction::triggered, this, &SaveUndo::mnuSaveHistory_Click);
    // Another program (velmora-cli) may have saved since: the entry is looked at again.
    connect(&editMenu, &QMenu::aboutToShow, this, &SaveUndo::refreshUndoEntry);
    connect(&m_editor, &TagEditor::saveTried, this, &SaveUndo::refreshUndoEntry);
    m_editor.setJournal(&m_journal);
    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        // Closed by the user, it stays closed; the undo goes on.
        if (m_run && m_progress && !m_progress->wasCanceled())
            m_progress->setValue(m_run->done());
    });
}

void SaveUndo::recoverAtStart()
{
    const QStringList messages = recoverInterruptedSaves(m_journal);
    if (!messages.isEmpty())
        Message::show(messages.join(QStringLiteral("\n\n")));
    refreshUndoEntry();
}

void SaveUndo::refreshUndoEntry()
{
    // While a batch is undone the entry stays as it was, disabled: the journal is not read on this
    // thread while the undo writes to it.
    if (m_run) {
        mnuUndoSave->setEnabled(false);
        return;
    }
    m_last = lastUndoableBatch(m_journal);
    const bool single = m_last.saves.size() == 1 && m_last.jobName.isEmpty();
    if (m_last.saves.empty())
        mnuUndoSave->setText(QStringLiteral("&Undo Save"));
    else
        mnuUndoSave->setText(single ? undoEntryText(m_last.saves.front()) : batchEntryText(m_last, m_jobNames));
    mnuUndoSave->setEnabled(!m_last.saves.empty());
}

void SaveUndo::mnuUndoSave_Click()
{
    if (m_run)
        return;
    refreshUndoEntry();
    // A copy: the undo refreshes the entry, and m_last with it.
    const std::vector<JournalRecord> saves = m_last.saves;
    if (saves.size() == 1)
        undo(saves.front());
    else if (!saves.empty())
        undoBatch(saves);
}

void SaveUndo::mnuSaveHistory_Click()
{
    if (!m_history)
        m_history = new FrmSaveHistory(m_journal, [this](const JournalRecord &r) { return undo(r); }, m_window);
    m_history->reload();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

bool SaveUndo::undo(const JournalRecord &record)
{
    // As Save Tags, an undo leaves alone the file the player holds.
    if (HeldFile(m_session.PlayerFile()).holds(record.device, record.inode)) {
        Message::show(TagSaver::playingText());
        return false;
    }
    // The checks first: a refused undo leaves the window as it is.
    if (const FileStatus checked = undoChange(m_journal, record, true); !checked) {
        Message::show(checked.description());
        return false;
    }
    const FileStatus status = undoChange(m_journal, record, false);
    refreshUndoEntry();
    showUndone(record, status.ok());
    if (!status)
        Message::show(status.description());
    return status.ok();
}

bool SaveUndo::undoBatch(const std::vector<JournalRecord> &saves)
{
    if (m_run)
        return false;
    const HeldFile held(m_session.PlayerFile());
    for (const JournalRecord &r : saves)
        if (held.holds(r.device, r.inode)) {
            Message::show(TagSaver::playingText());
            return false;
        }
    m_run = new UndoRun(saves, m_journal.folder(), this);
    connect(m_run, &UndoRun::finished, this, &SaveUndo::batchEnded);
    mnuUndoSave->setEnabled(false);
    mnuSaveHistory->setEnabled(false);  // its Undo would write into the same files
    m_progress = new QProgressDialog(QStringLiteral("Undoing %1 saves…").arg(saves.size()), QString(), 0,
                                     int(saves.size()), m_window);
    m_progress->setObjectName(QStringLiteral("undoProgress"));
    m_progress->setWindowTitle(QStringLiteral("Undo"));
    m_progress->setWindowModality(Qt::NonModal);  // the window stays usable; its writers are disabled
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(ProgressAfterMs);
    m_progress->setValue(0);
    m_progressTimer->start(ProgressEveryMs);
    emit undoingChanged(true);
    m_run->start();
    return true;
}

void SaveUndo::batchEnded()
{
    m_progressTimer->stop();
    delete m_progress;
    m_progress = nullptr;
    // Deleted later: this runs from the run's own signal.
    UndoRun *run = m_run;
    run->deleteLater();
    m_run = nullptr;
    mnuSaveHistory->setEnabled(true);
    refreshUndoEntry();
    const std::vector<JournalRecord> &saves = run->saves();
    const QStringList &failed = run->failures();
    // The job is taken back whole or not at all: a refusal of any file leaves every file as it is.
    if (run->outcome().refused) {
        emit undoingChanged(false);
        Message::show(QStringLiteral("Nothing was undone:\n") + failed.join(QLatin1Char('\n')));
        return;
    }
    // The list is read once; the current file's record follows when the batch holds it.
    const FileIdentity &current = m_session.reading().identity;
    const auto isCurrent = [&current](const JournalRecord &r) {
        return r.device == current.device && r.inode == current.inode;
    };
    const auto held = std::find_if(saves.begin(), saves.end(), isCurrent);
    showUndone(held == saves.end() ? saves.front() : *held, failed.isEmpty());
    emit undoingChanged(false);
    if (!failed.isEmpty())
        Message::show(failed.join(QLatin1Char('\n')));
}

// The folder shown is read again whatever the undo changed; the current file's record follows
// when the undone file is the current file, under the name the undo gave back.
void SaveUndo::showUndone(const JournalRecord &record, bool undone)
{
    const bool here = sameFolder(m_editor.shownFolder(), record.folder);
    const FileIdentity &current = m_session.reading().identity;
    const bool isCurrent = here && current.device == record.device && current.inode == record.inode;
    const QByteArray name = undone ? record.oldName : record.currentName();
    if (isCurrent && undone) {
        const QByteArray &path = m_session.CurrentPath();
        m_session.followRename(path.left(path.lastIndexOf('/') + 1) + name);
    }
    m_editor.showWrittenFile(here ? name : QByteArray(), isCurrent);
}
