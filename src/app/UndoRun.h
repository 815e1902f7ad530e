#pragma once
// A batch's undo off the GUI thread: undoSaves over the saves with a journal of its own on the
// window's journal folder (SaveJournal is not shared between threads), counting the saves done.
// File locks are per thread, so the whole batch runs on the one worker thread. An undo is not
// cancelled: a batch stopped half-way would be neither undone nor left as it was.

#include "tags/journal/JournalBatch.h"
#include "tags/journal/JournalRecord.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <vector>

class QThread;

class UndoRun : public QObject {
    Q_OBJECT
public:
    UndoRun(std::vector<JournalRecord> saves, QByteArray journalFolder, QObject *parent = nullptr);
    ~UndoRun() override;  // waits for the thread

    void start();
    const std::vector<JournalRecord> &saves() const { return m_saves; }
    int done() const { return m_done; }  // saves undone or refused so far

    // Valid after finished().
    const BatchUndo &outcome() const { return m_outcome; }
    const QStringList &failures() const { return m_failures; }  // "NAME: reason"

signals:
    void finished();

private:
    void work();

    std::vector<JournalRecord> m_saves;
    QByteArray m_journalFolder;
    QThread *m_thread = nullptr;
    std::atomic<int> m_done{0};
    BatchUndo m_outcome;
    QStringList m_failures;
};
