#pragma once
// The journal of saves: before a save changes a file, a record of the file as it is and as it
// will be is committed to the journal's database (JournalStore.h); each step the save takes is
// written down after it, so that the save can be undone and a save cut short by a crash put right
// at the next start (JournalUndo.h). Several processes share one journal.

#include "tags/text/FileStatus.h"
#include "tags/journal/JournalRecord.h"
#include "tags/journal/JournalStore.h"

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

class SaveJournal {
public:
    static constexpr int DefaultLimit = 10000;

    // $XDG_STATE_HOME/velmora, or ~/.local/state/velmora.
    static QByteArray defaultFolder();

    explicit SaveJournal(const QByteArray &folder = defaultFolder());

    const QByteArray &folder() const { return m_folder; }
    QByteArray filePath() const { return m_store.databasePath(); }
    // The number of changes kept when the journal is trimmed.
    void setLimit(int changes) { m_limit = changes; }
    int limit() const { return m_limit; }
    void setBusyTimeout(int ms) { m_store.setBusyTimeout(ms); }

    // The records begun until endBatch() share one batch: one command's saves, undone together.
    // endBatch() also lets go of the lock beginAll() holds.
    void beginBatch();
    void endBatch();

    // Sets the record's time (and batch), commits it to disk with the id the database gives it.
    // Until finish(), the change is in progress. On failure nothing may be written to the file:
    // the message says why.
    FileStatus begin(JournalRecord &record);
    // begin() for every record of a job in one transaction, before any file changes: the records
    // share one batch, and the lock that keeps recovery away is held until endBatch(). On failure
    // no record is kept and no file may be written.
    FileStatus beginAll(std::vector<JournalRecord> &records);
    // Sets the state of many records in one transaction (a batch's steps, its end).
    FileStatus setStates(const std::vector<qint64> &ids, JournalRecord::State state);
    // A record of beginAll() whose file was found changed by another Velmora process before its
    // turn, made to say what the save now overwrites, before it does.
    FileStatus amend(JournalRecord &record);
    // The batch of the newest record begun here; 0: none yet.
    qint64 lastBatch() const { return m_lastBatch; }
    // Whether records begun now join a batch already begun (beginBatch() .. endBatch()).
    bool inBatch() const { return m_batch >= 0; }
    // Writes down a step the change has taken (Bytes, Mode), as it goes.
    FileStatus step(const JournalRecord &record, JournalRecord::State state);
    // Writes down the end of a change begun here (Done, KeptName, Nothing).
    FileStatus finish(const JournalRecord &record, JournalRecord::State state);
    // Ends a change that failed part-way without its end: the next start looks at the file.
    void leaveOpen();

    // Newest first, with the undo that took each back; folder empty: all, limit <= 0: all. problem
    // receives a failure to read (no journal yet is no failure).
    std::vector<JournalRecord> records(const QByteArray &folder = {}, int limit = 0, FileStatus *problem = nullptr);
    std::optional<JournalRecord> record(qint64 id, FileStatus *problem = nullptr);
    // The records of one batch, newest first.
    std::vector<JournalRecord> batch(qint64 batch, FileStatus *problem = nullptr);
    std::optional<JournalRecord> lastUndoable();
    std::optional<JournalRecord> pendingUndoOf(qint64 id);
    std::vector<JournalRecord> unfinished(FileStatus *problem = nullptr);
    FileStatus setNote(qint64 id, const QByteArray &note);

    // Opens an existing journal (none is fine); its messages (a previous journal imported).
    FileStatus openExisting();
    QStringList takeMessages() { return m_store.takeMessages(); }
    // While held, no change is in progress in any process sharing the journal. Never waits.
    bool tryHoldQuiet() { return m_store.tryHoldAlone(); }
    void releaseQuiet() { m_store.unlock(); }

    // Drops the oldest changes beyond the limit: one DELETE in a transaction.
    FileStatus trim();

private:
    FileStatus opened(bool create);
    FileStatus openForChanges();
    void prepare(JournalRecord &record) const;
    FileStatus inserted(const StoreResult &result, qint64 batch);
    static FileStatus statusOf(const StoreResult &result);
    // Opens the journal for reading and runs read on the store; problem receives a failure.
    template <typename Read>
    auto read(FileStatus *problem, Read read) -> decltype(read(std::declval<StoreResult &>()));

    QByteArray m_folder;
    JournalStore m_store;
    qint64 m_batch = -1;  // -1: no batch; 0: the next record starts one
    qint64 m_lastBatch = 0;
    int m_limit = DefaultLimit;
    bool m_heldForBatch = false;  // beginAll() holds the lock until endBatch()
};
