#include "tags/journal/SaveJournal.h"

#include <QDateTime>

#include <utility>

#include <sys/stat.h>

QByteArray SaveJournal::defaultFolder()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/'))
        state = qgetenv("HOME") + "/.local/state";
    while (state.size() > 1 && state.endsWith('/'))
        state.chop(1);
    return state + "/velmora";
}

SaveJournal::SaveJournal(const QByteArray &folder) : m_folder(folder), m_store(folder) {}

void SaveJournal::beginBatch()
{
    m_batch = 0;
}

void SaveJournal::endBatch()
{
    m_batch = -1;
    if (m_heldForBatch) {
        m_heldForBatch = false;
        m_store.unlock();
    }
}

FileStatus SaveJournal::statusOf(const StoreResult &result)
{
    return result ? FileStatus::success() : FileStatus::failure(result.code, result.text);
}

FileStatus SaveJournal::opened(bool create)
{
    return statusOf(m_store.open(create));
}

FileStatus SaveJournal::openExisting()
{
    return opened(false);
}

// The database open and the lock shared: a change may begin.
FileStatus SaveJournal::openForChanges()
{
    FileStatus status = opened(true);
    if (!status)
        return FileStatus::failure(status.code(), status.description() + QStringLiteral(" Nothing is saved: a save that "
                                                                                        "could not be taken back is not made."));
    return statusOf(m_store.shareLock());
}

void SaveJournal::prepare(JournalRecord &record) const
{
    record.mode &= 0777;
    if (record.undoes == 0)
        record.modeAfter = record.mode | S_IWUSR;  // a save leaves a read-only file writable
    record.state = JournalRecord::State::Begun;
    record.whenMs = QDateTime::currentMSecsSinceEpoch();
    record.batch = m_batch > 0 ? m_batch : 0;
}

// The records' insert: on failure the lock goes too, unless a batch's beginAll() holds it.
FileStatus SaveJournal::inserted(const StoreResult &result, qint64 batch)
{
    const FileStatus status = statusOf(result);
    if (!status && !m_heldForBatch)
        m_store.unlock();
    if (status && m_batch == 0)
        m_batch = batch;
    if (status)
        m_lastBatch = batch;
    return status;
}

FileStatus SaveJournal::begin(JournalRecord &record)
{
    if (const FileStatus status = openForChanges(); !status)
        return status;
    prepare(record);
    const StoreResult result = m_store.insert(record);
    return inserted(result, record.batch);
}

FileStatus SaveJournal::beginAll(std::vector<JournalRecord> &records)
{
    if (records.empty())
        return FileStatus::success();
    if (const FileStatus status = openForChanges(); !status)
        return status;
    for (JournalRecord &record : records)
        prepare(record);
    const StoreResult result = m_store.insertAll(records);
    const FileStatus status = inserted(result, records.front().batch);
    m_heldForBatch = m_heldForBatch || bool(status);
    return status;
}

FileStatus SaveJournal::setStates(const std::vector<qint64> &ids, JournalRecord::State state)
{
    return ids.empty() ? FileStatus::success() : statusOf(m_store.setStates(ids, state));
}

FileStatus SaveJournal::amend(JournalRecord &record)
{
    record.mode &= 0777;
    record.modeAfter = record.mode | S_IWUSR;
    return statusOf(m_store.amend(record));
}

FileStatus SaveJournal::step(const JournalRecord &record, JournalRecord::State state)
{
    return statusOf(m_store.setState(record.id, state));
}

FileStatus SaveJournal::finish(const JournalRecord &record, JournalRecord::State state)
{
    const FileStatus status = step(record, state);
    if (!m_heldForBatch)
        m_store.unlock();
    return status;
}

void SaveJournal::leaveOpen()
{
    if (!m_heldForBatch)
        m_store.unlock();
}

template <typename Read>
auto SaveJournal::read(FileStatus *problem, Read read) -> decltype(read(std::declval<StoreResult &>()))
{
    StoreResult result = m_store.open(false);
    decltype(read(result)) found{};
    if (result)
        found = read(result);
    if (problem)
        *problem = statusOf(result);
    return found;
}

std::vector<JournalRecord> SaveJournal::records(const QByteArray &folder, int limit, FileStatus *problem)
{
    return read(problem, [&](StoreResult &result) { return m_store.records(folder, limit, result); });
}

std::vector<JournalRecord> SaveJournal::batch(qint64 batch, FileStatus *problem)
{
    return read(problem, [&](StoreResult &result) { return m_store.batch(batch, result); });
}

std::optional<JournalRecord> SaveJournal::record(qint64 id, FileStatus *problem)
{
    return read(problem, [&](StoreResult &result) { return m_store.record(id, result); });
}

std::optional<JournalRecord> SaveJournal::lastUndoable()
{
    StoreResult result = m_store.open(false);
    return result ? m_store.lastUndoable(result) : std::nullopt;
}

std::optional<JournalRecord> SaveJournal::pendingUndoOf(qint64 id)
{
    StoreResult result = m_store.open(false);
    return result ? m_store.pendingUndoOf(id, result) : std::nullopt;
}

std::vector<JournalRecord> SaveJournal::unfinished(FileStatus *problem)
{
    return read(problem, [&](StoreResult &result) { return m_store.unfinished(result); });
}

FileStatus SaveJournal::setNote(qint64 id, const QByteArray &note)
{
    return statusOf(m_store.setNote(id, note));
}

FileStatus SaveJournal::trim()
{
    return statusOf(m_store.trim(m_limit));
}
