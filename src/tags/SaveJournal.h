#pragma once
// The journal of saves: before a save changes a file, a record of the file as it is and as it
// will be is appended to a file in the state folder and flushed to disk; after the save a short
// completion mark follows. From it a save is undone, and a save cut short by a crash is put right
// at the next start (JournalUndo.h). Several processes may share one journal.

#include "tags/FileStatus.h"
#include "tags/JournalRecord.h"

#include <QByteArray>

#include <vector>

class SaveJournal {
public:
    static constexpr int DefaultLimit = 10000;

    // $XDG_STATE_HOME/velmora, or ~/.local/state/velmora.
    static QByteArray defaultFolder();

    explicit SaveJournal(const QByteArray &folder = defaultFolder());
    ~SaveJournal();
    SaveJournal(const SaveJournal &) = delete;
    SaveJournal &operator=(const SaveJournal &) = delete;

    const QByteArray &folder() const { return m_folder; }
    QByteArray filePath() const;
    // The number of saves kept when the journal is trimmed.
    void setLimit(int saves) { m_limit = saves; }
    int limit() const { return m_limit; }

    // The records begun until endBatch() share one batch: one command's saves, undone together.
    void beginBatch();
    void endBatch();

    // Sets the record's id, batch and time, appends it and flushes it to disk. Until finish(), the
    // journal counts a change in progress. On failure nothing may be written to the file: the
    // message names the state folder.
    FileStatus begin(JournalRecord &record);
    // Appends the completion mark of a record begun here.
    void finish(const JournalRecord &record, JournalRecord::Outcome outcome);
    // Ends a change that failed part-way without a mark: the next start looks at the file and puts
    // right whatever the failure left.
    void leaveOpen();
    // Appends the mark of a record of an earlier run, flushed.
    FileStatus mark(qint64 id, JournalRecord::Outcome outcome);

    // Every record, oldest first, with its outcome and the undo that took it back filled in. A
    // damaged line is skipped; no journal yet is an empty list.
    std::vector<JournalRecord> records() const;

    // While held, no change is in progress in any process sharing the journal: one that was left
    // unmarked was cut short. Waits for changes in progress to end.
    FileStatus holdQuiet();
    void releaseQuiet();

    // Drops the oldest records beyond the limit in one atomic rewrite (held quiet).
    FileStatus trim();

private:
    FileStatus open(bool create);
    FileStatus lockJournal();
    void unlockJournal();
    FileStatus append(const QByteArray &line, bool flush);
    qint64 lastId();
    FileStatus refused(int code) const;

    QByteArray m_folder;
    int m_fd = -1;       // the journal, for appending
    int m_lockFd = -1;   // shared by a change in progress, exclusive while held quiet
    qint64 m_knownSize = -1;  // the journal's length when this process last looked
    qint64 m_lastId = 0;
    qint64 m_batch = -1;  // -1: no batch; 0: the next record starts one
    int m_limit = DefaultLimit;
};
