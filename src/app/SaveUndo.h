#pragma once
// Undo Save and Save History in the Edit menu, on the journal of saves in which the window's Save
// Tags records every save; and, at the start, the saves a crash cut short put right. The undo of a
// batch runs off the GUI thread (UndoRun); a run of more than about a second shows its progress.

#include "tags/journal/JournalBatch.h"
#include "tags/journal/JournalRecord.h"
#include "tags/journal/SaveJournal.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

class FrmSaveHistory;
class QAction;
class QMenu;
class QProgressDialog;
class QTimer;
class QWidget;
class UndoRun;
class EditSession;
class TagEditor;

class SaveUndo : public QObject {
    Q_OBJECT
public:
    // Adds the two entries to editMenu; window is the history window's parent.
    SaveUndo(TagEditor &editor, EditSession &session, QMenu &editMenu, QWidget *window);

    // Puts right the saves a crash cut short and says what it did, in one message.
    void recoverAtStart();
    // Undoes the last save that can still be undone, or every save of the job (or command) it
    // was part of.
    void mnuUndoSave_Click();
    void mnuSaveHistory_Click();  // opens the history, or brings it forward
    // Undoes record: the folder shown is read again as after a save. A refusal is shown and
    // nothing is written. Returns whether the change was undone.
    bool undo(const JournalRecord &record);
    // Starts the undo of every save of a batch, or of none when a check refuses one of them; the
    // outcome is shown when it ends. Returns whether it started.
    bool undoBatch(const std::vector<JournalRecord> &saves);
    // From the start of a batch's undo until it has ended.
    bool undoing() const { return m_run != nullptr; }
    // The Undo Save entry names the save (or the job) it would undo, and is disabled when there is
    // none or while a batch is being undone.
    void refreshUndoEntry();

    SaveJournal &journal() { return m_journal; }
    // The jobs whose batches the entry names; any other name read from the journal is not shown.
    void knowJobs(const QStringList &names) { m_jobNames = names; }

    QAction *mnuUndoSave = nullptr, *mnuSaveHistory = nullptr;

signals:
    // A batch's undo started (true) or ended and was shown (false): what else writes the files
    // waits until it ends.
    void undoingChanged(bool undoing);

private:
    void showUndone(const JournalRecord &record, bool undone);
    void batchEnded();

    TagEditor &m_editor;
    EditSession &m_session;
    QWidget *m_window;
    SaveJournal m_journal;
    UndoableBatch m_last;  // what Undo Save undoes
    QStringList m_jobNames;
    QPointer<FrmSaveHistory> m_history;
    UndoRun *m_run = nullptr;  // the batch being undone
    QProgressDialog *m_progress = nullptr;
    QTimer *m_progressTimer;
};
