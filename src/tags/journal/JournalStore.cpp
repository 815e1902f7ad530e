#include "tags/journal/JournalStore.h"

#include "tags/journal/TextJournalImport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using State = JournalRecord::State;

constexpr int SchemaVersion = 2;

// Version 2: the ID3v2 tag a save writes too, before and after, and the inode of a file written
// anew. Null in the records of older versions, which wrote only the trailer.
const char *const AddHeads = R"sql(
ALTER TABLE change ADD COLUMN old_head BLOB;
ALTER TABLE change ADD COLUMN new_head BLOB;
ALTER TABLE change ADD COLUMN inode_after INTEGER;
PRAGMA user_version=2;
)sql";

const char *const Schema = R"sql(
CREATE TABLE IF NOT EXISTS change (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    batch INTEGER NOT NULL,
    undoes INTEGER,
    time_ms INTEGER NOT NULL,
    folder BLOB NOT NULL,
    old_name BLOB NOT NULL,
    new_name BLOB NOT NULL,
    op TEXT NOT NULL,
    length_before INTEGER NOT NULL,
    old_tail BLOB NOT NULL,
    new_tail BLOB NOT NULL,
    device INTEGER NOT NULL,
    inode INTEGER NOT NULL,
    mode_before INTEGER NOT NULL,
    mode_after INTEGER NOT NULL,
    state TEXT NOT NULL,
    note BLOB
);
CREATE INDEX IF NOT EXISTS change_undoes ON change(undoes) WHERE undoes IS NOT NULL;
CREATE INDEX IF NOT EXISTS change_folder ON change(folder);
CREATE INDEX IF NOT EXISTS change_unfinished ON change(state) WHERE state IN ('begun', 'bytes', 'mode');
CREATE TABLE IF NOT EXISTS imported (journal TEXT PRIMARY KEY, time_ms INTEGER NOT NULL);
)sql";

const char *const Columns =
    "c.id, c.batch, c.undoes, c.time_ms, c.folder, c.old_name, c.new_name, c.op, c.length_before, c.old_tail, "
    "c.new_tail, c.device, c.inode, c.mode_before, c.mode_after, c.state, c.note, "
    "(SELECT u.id FROM change u WHERE u.undoes = c.id AND u.state NOT IN ('nothing', 'left') "
    "ORDER BY u.id DESC LIMIT 1), c.old_head, c.new_head, c.inode_after";

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalStore", text);
}

QByteArray columnBytes(sqlite3_stmt *s, int i)
{
    const void *data = sqlite3_column_blob(s, i);
    return data ? QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(s, i)) : QByteArray();
}

// The type each column of Columns must hold when read back; a name, a trailer or an op may come
// as text. Null: a save's undoes, a note, and no undo.
struct ColumnType {
    const char *name;
    int type;
    bool nullable;
};
const ColumnType columnTypes[] = {
    {"id", SQLITE_INTEGER, false},        {"batch", SQLITE_INTEGER, false},      {"undoes", SQLITE_INTEGER, true},
    {"time_ms", SQLITE_INTEGER, false},   {"folder", SQLITE_BLOB, false},        {"old_name", SQLITE_BLOB, false},
    {"new_name", SQLITE_BLOB, false},     {"op", SQLITE_TEXT, false},            {"length_before", SQLITE_INTEGER, false},
    {"old_tail", SQLITE_BLOB, false},     {"new_tail", SQLITE_BLOB, false},      {"device", SQLITE_INTEGER, false},
    {"inode", SQLITE_INTEGER, false},     {"mode_before", SQLITE_INTEGER, false}, {"mode_after", SQLITE_INTEGER, false},
    {"state", SQLITE_TEXT, false},        {"note", SQLITE_BLOB, true},           {"undone_by", SQLITE_INTEGER, true},
    {"old_head", SQLITE_BLOB, true},      {"new_head", SQLITE_BLOB, true},       {"inode_after", SQLITE_INTEGER, true},
};

// The first column of the row that is missing or holds another type, or null. Read before any
// value: reading one converts it.
const char *unreadableColumn(sqlite3_stmt *s)
{
    for (int i = 0; i < int(std::size(columnTypes)); ++i) {
        const ColumnType &column = columnTypes[i];
        const int type = sqlite3_column_type(s, i);
        const bool bytes = column.type != SQLITE_INTEGER && (type == SQLITE_BLOB || type == SQLITE_TEXT);
        if (!(type == column.type || bytes || (type == SQLITE_NULL && column.nullable)))
            return column.name;
    }
    return nullptr;
}

JournalRecord recordOf(sqlite3_stmt *s)
{
    JournalRecord r;
    if (const char *column = unreadableColumn(s))
        r.unreadable = column;  // nothing is done with it: a value read as 0 would act
    r.id = sqlite3_column_int64(s, 0);
    r.batch = sqlite3_column_int64(s, 1);
    r.undoes = sqlite3_column_int64(s, 2);
    r.whenMs = sqlite3_column_int64(s, 3);
    r.folder = columnBytes(s, 4);
    r.oldName = columnBytes(s, 5);
    r.newName = columnBytes(s, 6);
    if (!JournalFormat::opFromName(columnBytes(s, 7), r.op))
        r.state = State::Left;  // an op no version wrote: nothing may be done with it
    r.lengthBefore = sqlite3_column_int64(s, 8);
    r.oldTail = columnBytes(s, 9);
    r.newTail = columnBytes(s, 10);
    r.device = quint64(sqlite3_column_int64(s, 11));
    r.inode = quint64(sqlite3_column_int64(s, 12));
    r.mode = sqlite3_column_int(s, 13);
    r.modeAfter = sqlite3_column_int(s, 14);
    State state = State::Left;
    if (r.state != State::Left && JournalFormat::stateFromName(columnBytes(s, 15), state))
        r.state = state;
    else
        r.state = State::Left;
    r.note = columnBytes(s, 16);
    r.undoneBy = sqlite3_column_int64(s, 17);
    r.oldHead = columnBytes(s, 18);
    r.newHead = columnBytes(s, 19);
    r.inodeAfter = quint64(sqlite3_column_int64(s, 20));
    return r;
}

// A statement, finalized when it goes.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr); }
    ~Statement() { sqlite3_finalize(m_s); }
    sqlite3_stmt *get() const { return m_s; }
    bool ok() const { return m_s != nullptr; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_s, i, v); }
    void bind(int i, const QByteArray &b) { sqlite3_bind_blob(m_s, i, b.constData(), int(b.size()), SQLITE_TRANSIENT); }
    void bindText(int i, const char *t) { sqlite3_bind_text(m_s, i, t, -1, SQLITE_STATIC); }
    int step() { return sqlite3_step(m_s); }
    void reset() { sqlite3_reset(m_s); }

private:
    sqlite3_stmt *m_s = nullptr;
};

// The binding calls of Statement on a statement kept by its owner.
class BoundStatement {
public:
    explicit BoundStatement(sqlite3_stmt *s) : m_s(s) {}
    bool ok() const { return m_s != nullptr; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_s, i, v); }
    void bind(int i, const QByteArray &b) { sqlite3_bind_blob(m_s, i, b.constData(), int(b.size()), SQLITE_TRANSIENT); }
    void bindText(int i, const char *t) { sqlite3_bind_text(m_s, i, t, -1, SQLITE_STATIC); }
    int step() { return sqlite3_step(m_s); }

private:
    sqlite3_stmt *m_s;
};

}  // namespace

JournalStore::JournalStore(const QByteArray &folder) : m_folder(folder) {}

JournalStore::~JournalStore()
{
    if (!m_db)
        return;
    // The end of a command or of the window: the log is emptied into the database, so that a log
    // lost later (the last close does it too, but another process may have the journal open)
    // loses no committed change. Never waited for: a reader of another process leaves the rest
    // to a later close.
    sqlite3_busy_timeout(m_db, 0);
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_finalize(m_insert);
    sqlite3_close_v2(m_db);
}

StoreResult JournalStore::sqliteFailure(const QString &what) const
{
    const int lastError = errno;
    const int code = m_db ? sqlite3_errcode(m_db) : SQLITE_CANTOPEN;
    const QString reason = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        return StoreResult::failure(EBUSY, tr("The journal of saves \"%1\" is held by another process and did not come free in %2 s "
                                 "(%3): %4.").arg(JournalFolder::shown(databasePath())).arg(m_busyMs / 1000.0).arg(reason, what));
    // SQLite says "full" for a write refused for room, but "disk I/O error" for a flush refused
    // so, and keeps that call's errno only now and then: errno, taken first, still holds it.
    const int system = m_db && sqlite3_system_errno(m_db) ? sqlite3_system_errno(m_db) : lastError;
    if (code == SQLITE_FULL || (code == SQLITE_IOERR && (system == ENOSPC || system == EDQUOT)))
        return StoreResult::failure(ENOSPC, tr("The journal of saves \"%1\" cannot be written: the disk is full; %2.")
                                                .arg(JournalFolder::shown(databasePath()), what));
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        return StoreResult::failure(EBADMSG, tr("The journal of saves \"%1\" is damaged or not a journal (%2): %3. "
                                   "Move it away to start a new journal.").arg(JournalFolder::shown(databasePath()), reason, what));
    return StoreResult::failure(EIO, tr("The journal of saves \"%1\" cannot be used (%2): %3.").arg(JournalFolder::shown(databasePath()), reason, what));
}

StoreResult JournalStore::exec(const char *sql, const QString &consequence)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK
        ? StoreResult{}
        : sqliteFailure(consequence.isEmpty() ? tr("nothing was changed") : consequence);
}

StoreResult JournalStore::open(bool create)
{
    if (m_db)
        return {};
    StoreResult result = m_folder.check(create);
    if (!result)
        return result.code == ENOENT && result.text.isEmpty() ? StoreResult{} : result;
    for (const char *name : {"journal.sqlite", "journal.sqlite-wal", "journal.sqlite-shm", "journal.lock"})
        if (result = m_folder.checkFile(name); !result)
            return result;
    struct stat st;
    const bool found = ::fstatat(m_folder.fd(), "journal.sqlite", &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!create && !found) {
        if (::fstatat(m_folder.fd(), "journal", &st, AT_SYMLINK_NOFOLLOW) != 0)
            return {};  // no journal yet: nothing to read
        create = true;  // the previous version's journal waits to be imported
    }
    // SQLite takes an empty file for a new database: when the tables were made here in a file
    // that was there (and not by another process in its log meanwhile), its history is lost.
    const bool wasEmpty = found && st.st_size == 0;
    if (result = openDatabase(create); !result) {
        sqlite3_finalize(m_insert);
        m_insert = nullptr;
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return result;
    }
    if (wasEmpty && m_madeTables)
        m_messages << tr("The journal of saves \"%1\" was empty: the history of saves is started anew.")
                          .arg(JournalFolder::shown(databasePath()));
    if (::fstatat(m_folder.fd(), "journal", &st, AT_SYMLINK_NOFOLLOW) == 0)
        if (StoreResult imported = importTextJournal(); !imported)
            m_messages << imported.text;
    return {};
}

StoreResult JournalStore::openDatabase(bool create)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOFOLLOW
        | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    if (sqlite3_open_v2(m_folder.databasePath().constData(), &m_db, flags, nullptr) != SQLITE_OK)
        return sqliteFailure(tr("nothing was read"));
    sqlite3_busy_timeout(m_db, m_busyMs);
    sqlite3_extended_result_codes(m_db, 0);
    // Turning a new database to WAL, or reading one another process is turning, can be refused
    // at once as busy without the busy handler: tried again until the same timeout.
    QElapsedTimer waited;
    waited.start();
    StoreResult result;
    do {
        result = prepareDatabase();
        if (result.code != EBUSY)
            break;
        ::usleep(5000);
    } while (waited.elapsed() < m_busyMs);
    return result;
}

StoreResult JournalStore::prepareDatabase()
{
    StoreResult result;
    if (!(result = exec("PRAGMA journal_mode=WAL")) || !(result = exec("PRAGMA synchronous=FULL")))
        return result;
    int version = -1;
    {
        Statement s(m_db, "PRAGMA user_version");
        if (!s.ok() || s.step() != SQLITE_ROW)
            return sqliteFailure(tr("nothing was read"));
        version = sqlite3_column_int(s.get(), 0);
    }
    if (version == SchemaVersion)
        return {};
    if (version == 1)
        return migrate();
    if (version != 0)
        return StoreResult::failure(EPROTO, tr("The journal of saves \"%1\" is of another version (%2): it is not used.").arg(JournalFolder::shown(databasePath())).arg(version));
    Statement tables(m_db, "SELECT count(*) FROM sqlite_schema");
    if (!tables.ok() || tables.step() != SQLITE_ROW)
        return sqliteFailure(tr("nothing was read"));
    if (sqlite3_column_int(tables.get(), 0) != 0)
        return StoreResult::failure(EPROTO, tr("The file \"%1\" is an SQLite database but not a journal of saves: it is not used.").arg(JournalFolder::shown(databasePath())));
    if (!(result = exec("BEGIN IMMEDIATE")))
        return result;
    if (sqlite3_exec(m_db, Schema, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(m_db, "PRAGMA user_version=1", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(m_db, AddHeads, nullptr, nullptr, nullptr) != SQLITE_OK) {
        result = sqliteFailure(tr("nothing was made"));
        exec("ROLLBACK");
        return result;
    }
    result = exec("COMMIT");
    m_madeTables = bool(result);
    return result;
}

StoreResult JournalStore::migrate()
{
    StoreResult result = exec("BEGIN IMMEDIATE");
    if (!result)
        return result;
    // Another process may have migrated it first.
    Statement s(m_db, "PRAGMA user_version");
    const bool stillOld = s.ok() && s.step() == SQLITE_ROW && sqlite3_column_int(s.get(), 0) == 1;
    if (stillOld && sqlite3_exec(m_db, AddHeads, nullptr, nullptr, nullptr) != SQLITE_OK) {
        result = sqliteFailure(tr("nothing was changed"));
        exec("ROLLBACK");
        return result;
    }
    return exec("COMMIT");
}

StoreResult JournalStore::importTextJournal()
{
    TextJournal journal;
    if (StoreResult read = readTextJournal(m_folder, journal); !read)
        return read;
    std::vector<JournalRecord> &records = journal.records;
    const QByteArray &key = journal.key;
    StoreResult result = exec("BEGIN IMMEDIATE");
    if (!result)
        return result;
    Statement done(m_db, "SELECT 1 FROM imported WHERE journal = ?");
    done.bind(1, key);
    if (done.step() != SQLITE_ROW) {
        QHash<qint64, qint64> newId;
        for (JournalRecord &r : records) {
            const qint64 oldId = r.id;
            r.undoes = r.undoes ? newId.value(r.undoes, 0) : 0;
            r.batch = newId.value(r.batch, 0);
            if (r.undoes == 0 && r.oldTail.size() != 128 && r.newTail.size() != 128)
                continue;
            if (!(result = insert(r)))
                break;
            newId.insert(oldId, r.id);
        }
        Statement mark(m_db, "INSERT INTO imported (journal, time_ms) VALUES (?, ?)");
        mark.bind(1, key);
        mark.bind(2, QDateTime::currentMSecsSinceEpoch());
        if (result && mark.step() != SQLITE_DONE)
            result = sqliteFailure(tr("nothing was imported"));
    }
    if (!result) {
        exec("ROLLBACK");
        return result;
    }
    if (!(result = exec("COMMIT")))
        return result;
    if (::renameat(m_folder.fd(), "journal", m_folder.fd(), "journal.imported") != 0)
        return textJournalLeft(m_folder, QString::fromLocal8Bit(std::strerror(errno)));
    m_messages << tr("The journal of the previous version was imported (%1 changes) and kept as \"%2\".")
                      .arg(records.size()).arg(JournalFolder::shown(m_folder.path() + "/journal.imported"));
    return {};
}

StoreResult JournalStore::insert(JournalRecord &r)
{
    const bool own = sqlite3_get_autocommit(m_db) != 0;  // not inside the import's transaction
    // One save's record: a command that goes on with its other files says what this one missed.
    const QString notSaved = own ? tr("this file was not changed") : tr("no file of the job was changed");
    StoreResult result;
    if (own && !(result = exec("BEGIN IMMEDIATE", notSaved)))
        return result;
    // Prepared once for the connection: a job inserts thousands in one transaction.
    if (m_insert) {
        sqlite3_reset(m_insert);
        sqlite3_clear_bindings(m_insert);
    } else {
        sqlite3_prepare_v3(m_db,
                           "INSERT INTO change (batch, undoes, time_ms, folder, old_name, new_name, op, length_before, "
                           "old_tail, new_tail, device, inode, mode_before, mode_after, state, old_head, new_head, inode_after) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, SQLITE_PREPARE_PERSISTENT, &m_insert, nullptr);
    }
    BoundStatement s(m_insert);
    s.bind(1, r.batch);
    if (r.undoes)
        s.bind(2, r.undoes);
    s.bind(3, r.whenMs);
    s.bind(4, r.folder);
    s.bind(5, r.oldName);
    s.bind(6, r.newName);
    s.bindText(7, JournalFormat::opName(r.op));
    s.bind(8, r.lengthBefore);
    s.bind(9, r.oldTail);
    s.bind(10, r.newTail);
    s.bind(11, qint64(r.device));
    s.bind(12, qint64(r.inode));
    s.bind(13, r.mode);
    s.bind(14, r.modeAfter);
    s.bindText(15, JournalFormat::stateName(r.state));
    if (r.writesHead()) {
        s.bind(16, r.oldHead);
        s.bind(17, r.newHead);
    }
    if (r.inodeAfter)
        s.bind(18, qint64(r.inodeAfter));
    if (!s.ok() || s.step() != SQLITE_DONE) {
        result = sqliteFailure(notSaved);
    } else {
        r.id = sqlite3_last_insert_rowid(m_db);
        if (r.batch == 0) {
            r.batch = r.id;
            Statement b(m_db, "UPDATE change SET batch = id WHERE id = ?");
            b.bind(1, r.id);
            if (b.step() != SQLITE_DONE)
                result = sqliteFailure(notSaved);
        }
    }
    if (own)
        result = result ? exec("COMMIT", notSaved) : (exec("ROLLBACK"), result);
    return result;
}

StoreResult JournalStore::insertAll(std::vector<JournalRecord> &records)
{
    StoreResult result = exec("BEGIN IMMEDIATE");
    if (!result)
        return result;
    for (JournalRecord &r : records) {
        if (r.batch == 0 && &r != &records.front())
            r.batch = records.front().batch;
        if (!(result = insert(r)))
            break;
    }
    if (result)
        result = exec("COMMIT");
    if (!result) {
        exec("ROLLBACK");
        for (JournalRecord &r : records)
            r.id = 0;
    }
    return result;
}

StoreResult JournalStore::setStates(const std::vector<qint64> &ids, State state)
{
    // Not flushed on its own, as setState(): the next start looks at the files of steps lost.
    sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    const StoreResult result = setStatesNow(ids, state);
    sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return result;
}

StoreResult JournalStore::setStatesNow(const std::vector<qint64> &ids, State state)
{
    StoreResult result = exec("BEGIN IMMEDIATE");
    if (!result)
        return result;
    Statement s(m_db, "UPDATE change SET state = ? WHERE id = ?");
    for (const qint64 id : ids) {
        s.reset();
        s.bindText(1, JournalFormat::stateName(state));
        s.bind(2, id);
        if (!s.ok() || s.step() != SQLITE_DONE) {
            result = sqliteFailure(tr("nothing was marked"));
            break;
        }
    }
    if (result)
        return exec("COMMIT");
    exec("ROLLBACK");
    return result;
}

StoreResult JournalStore::amend(const JournalRecord &r)
{
    // Flushed: the file is written over the amended old trailer next, and undo must find it.
    Statement s(m_db, "UPDATE change SET op = ?, length_before = ?, old_tail = ?, new_tail = ?, mode_before = ?, "
                      "mode_after = ?, old_head = ?, new_head = ?, inode_after = ? WHERE id = ? AND state = 'begun'");
    s.bindText(1, JournalFormat::opName(r.op));
    s.bind(2, r.lengthBefore);
    s.bind(3, r.oldTail);
    s.bind(4, r.newTail);
    s.bind(5, r.mode);
    s.bind(6, r.modeAfter);
    if (r.writesHead()) {
        s.bind(7, r.oldHead);
        s.bind(8, r.newHead);
    }
    if (r.inodeAfter)
        s.bind(9, qint64(r.inodeAfter));
    s.bind(10, r.id);
    const bool done = s.ok() && s.step() == SQLITE_DONE && sqlite3_changes(m_db) == 1;
    return done ? StoreResult{} : sqliteFailure(tr("this file was not changed"));
}

StoreResult JournalStore::setState(qint64 id, State state)
{
    // Not flushed on its own: a step lost in a power cut is seen again at the next start, which
    // looks at the file itself; the next record's commit flushes it with its own.
    sqlite3_exec(m_db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    Statement s(m_db, "UPDATE change SET state = ? WHERE id = ?");
    s.bindText(1, JournalFormat::stateName(state));
    s.bind(2, id);
    const bool done = s.ok() && s.step() == SQLITE_DONE;
    sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return done ? StoreResult{} : sqliteFailure(tr("nothing was marked"));
}

StoreResult JournalStore::setNote(qint64 id, const QByteArray &note)
{
    Statement s(m_db, "UPDATE change SET note = ? WHERE id = ?");
    s.bind(1, note);
    s.bind(2, id);
    return s.ok() && s.step() == SQLITE_DONE ? StoreResult{} : sqliteFailure(tr("nothing was marked"));
}

std::vector<JournalRecord> JournalStore::select(const QByteArray &where, const QByteArray &tail,
                                                const std::vector<QByteArray> &binds, StoreResult &problem)
{
    std::vector<JournalRecord> records;
    if (!m_db)
        return records;
    const QByteArray sql = "SELECT " + QByteArray(Columns) + " FROM change c " + where + ' ' + tail;
    Statement s(m_db, sql.constData());
    if (!s.ok()) {
        problem = sqliteFailure(tr("nothing was read"));
        return records;
    }
    for (size_t i = 0; i < binds.size(); ++i)
        s.bind(int(i) + 1, binds[i]);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW)
        records.push_back(recordOf(s.get()));
    if (rc != SQLITE_DONE)
        problem = sqliteFailure(tr("nothing was read"));
    return records;
}

std::vector<JournalRecord> JournalStore::records(const QByteArray &folder, int limit, StoreResult &problem)
{
    const QByteArray tail = "ORDER BY c.id DESC" + (limit > 0 ? " LIMIT " + QByteArray::number(limit) : QByteArray());
    if (folder.isEmpty())
        return select({}, tail, {}, problem);
    return select("WHERE c.folder = ?", tail, {folder}, problem);
}

std::vector<JournalRecord> JournalStore::batch(qint64 batch, StoreResult &problem)
{
    return select("WHERE c.batch = " + QByteArray::number(batch), "ORDER BY c.id DESC", {}, problem);
}

std::vector<JournalRecord> JournalStore::unfinished(StoreResult &problem)
{
    return select("WHERE c.state IN ('begun', 'bytes', 'mode')", "ORDER BY c.id", {}, problem);
}

std::optional<JournalRecord> JournalStore::record(qint64 id, StoreResult &problem)
{
    std::vector<JournalRecord> found = select("WHERE c.id = " + QByteArray::number(id), {}, {}, problem);
    return found.empty() ? std::nullopt : std::optional(found.front());
}

std::optional<JournalRecord> JournalStore::lastUndoable(StoreResult &problem)
{
    // The newest saves first: the first without an undo is the one.
    std::vector<JournalRecord> found =
        select("WHERE c.undoes IS NULL AND c.state IN ('done', 'kept-name') AND NOT EXISTS (SELECT 1 FROM change u "
               "WHERE u.undoes = c.id AND u.state NOT IN ('nothing', 'left'))",
               "ORDER BY c.id DESC LIMIT 1", {}, problem);
    return found.empty() ? std::nullopt : std::optional(found.front());
}

std::optional<JournalRecord> JournalStore::pendingUndoOf(qint64 id, StoreResult &problem)
{
    std::vector<JournalRecord> found = select("WHERE c.undoes = " + QByteArray::number(id)
                                                  + " AND c.state IN ('begun', 'bytes', 'mode')",
                                              "ORDER BY c.id DESC LIMIT 1", {}, problem);
    return found.empty() ? std::nullopt : std::optional(found.front());
}

StoreResult JournalStore::trim(int limit)
{
    if (!m_db)
        return {};
    // Two subqueries: each is one look at the end of the index, where min() and max() together
    // would read the whole table.
    Statement span(m_db, "SELECT (SELECT min(id) FROM change), (SELECT max(id) FROM change)");
    if (!span.ok() || span.step() != SQLITE_ROW)
        return sqliteFailure(tr("nothing was trimmed"));
    if (sqlite3_column_int64(span.get(), 1) - sqlite3_column_int64(span.get(), 0) < limit)
        return {};  // ids only grow: fewer than limit rows lie between the two
    StoreResult result = exec("BEGIN IMMEDIATE");
    if (!result)
        return result;
    // Whole batches go, never part of one: the cut is moved back to the batch of the limit-th
    // newest change, then to the batch of every save whose undo stays, so that Undo never names
    // a part of a job, nor an undo a save that is gone. Batch ids are the ids of their first
    // changes, and an undo comes after its save: the cut only moves back.
    Statement cut(m_db, "WITH RECURSIVE cut(batch) AS ("
                        "SELECT (SELECT batch FROM change ORDER BY id DESC LIMIT 1 OFFSET ?) "
                        "UNION SELECT s.batch FROM cut, change u, change s "
                        "WHERE u.undoes IS NOT NULL AND u.id >= cut.batch AND s.id = u.undoes AND s.batch < cut.batch) "
                        "DELETE FROM change WHERE batch < (SELECT min(batch) FROM cut)");
    cut.bind(1, limit - 1);
    if (!cut.ok() || cut.step() != SQLITE_DONE) {
        result = sqliteFailure(tr("nothing was trimmed"));
        exec("ROLLBACK");
        return result;
    }
    return exec("COMMIT");
}

QStringList JournalStore::takeMessages()
{
    return std::exchange(m_messages, {});
}
