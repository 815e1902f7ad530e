#pragma once
// The journal's database: $XDG_STATE_HOME/velmora/journal.sqlite, SQLite in WAL mode with
// synchronous=FULL, one row of the table "change" per change of one file (JournalRecord.h), ids
// given by the database inside the insert's transaction. Before SQLite sees a path, the folder is
// checked (a real directory of the user's, mode 0700, not a link) and the database, its -wal and
// -shm files and the lock file are refused when they are anything but the user's regular files.
// Includes nothing of ours above the journal's room.

#include "tags/journal/JournalFolder.h"
#include "tags/journal/JournalRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class JournalStore {
public:
    static constexpr int DefaultBusyMs = 5000;

    explicit JournalStore(const QByteArray &folder);
    ~JournalStore();
    JournalStore(const JournalStore &) = delete;
    JournalStore &operator=(const JournalStore &) = delete;

    QByteArray databasePath() const { return m_folder.databasePath(); }
    // How long a database held by another process is waited for before a change is refused.
    void setBusyTimeout(int ms) { m_busyMs = ms; }

    // Opens the database, creating the folder and the database when create is set; without it, no
    // database yet is success with nothing open (isOpen() false). A text journal of the previous
    // version is imported at the first open that creates.
    StoreResult open(bool create);
    bool isOpen() const { return m_db != nullptr; }

    // Inserts record in one transaction, committed to disk: id (and batch, when 0) assigned.
    StoreResult insert(JournalRecord &record);
    // Inserts every record in one transaction, the first one's id the batch of all when their
    // batch is 0; on failure none is kept (ids 0).
    StoreResult insertAll(std::vector<JournalRecord> &records);
    // Sets the state of every id in one transaction.
    StoreResult setStates(const std::vector<qint64> &ids, JournalRecord::State state);
    StoreResult setState(qint64 id, JournalRecord::State state);
    // A begun record's change as the file was found under its lock (the trailers, length, op and
    // permissions); ids and names stay.
    StoreResult amend(const JournalRecord &record);
    StoreResult setNote(qint64 id, const QByteArray &note);

    // Newest first; folder empty: every folder; limit <= 0: all.
    std::vector<JournalRecord> records(const QByteArray &folder, int limit, StoreResult &problem);
    std::vector<JournalRecord> batch(qint64 batch, StoreResult &problem);  // newest first
    std::vector<JournalRecord> unfinished(StoreResult &problem);
    std::optional<JournalRecord> record(qint64 id, StoreResult &problem);
    // The newest save (not an undo) that can be undone.
    std::optional<JournalRecord> lastUndoable(StoreResult &problem);
    // The unfinished undo of the change id, if one is pending.
    std::optional<JournalRecord> pendingUndoOf(qint64 id, StoreResult &problem);

    // Keeps the newest limit changes: one DELETE in a transaction, when there are more.
    StoreResult trim(int limit);

    // The lock file: shared while a change is in progress, held alone (never waiting) while the
    // changes left unfinished are looked at.
    StoreResult shareLock() { return m_folder.shareLock(); }
    void unlock() { m_folder.unlock(); }
    bool tryHoldAlone() { return m_folder.tryHoldAlone(); }

    // Messages of the open (a previous journal imported or left), to say once.
    QStringList takeMessages();

private:
    StoreResult openDatabase(bool create);
    StoreResult prepareDatabase();
    StoreResult sqliteFailure(const QString &what) const;
    StoreResult importTextJournal();
    StoreResult migrate();  // a journal of version 1 given the columns of version 2
    // consequence: what a failure means for the user ("nothing was changed" when empty).
    StoreResult exec(const char *sql, const QString &consequence = {});
    StoreResult setStatesNow(const std::vector<qint64> &ids, JournalRecord::State state);
    std::vector<JournalRecord> select(const QByteArray &where, const QByteArray &tail,
                                      const std::vector<QByteArray> &binds, StoreResult &problem);

    JournalFolder m_folder;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;  // insert()'s, prepared once
    int m_busyMs = DefaultBusyMs;
    QStringList m_messages;
    bool m_madeTables = false;  // the open made the journal's tables
};
