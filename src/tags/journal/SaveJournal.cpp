#include "tags/journal/SaveJournal.h"

#include <QDateTime>

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

FileStatus SaveJournal::begin(JournalRecord &record)
{
    FileStatus status = openForChanges();
    if (!status)
        return status;
    prepare(record);
    status = statusOf(m_store.insert(record));
    if (!status) {
        if (!m_heldForBatch)
            m_store.unlock();
        return status;
    }
    if (m_batch == 0)
        m_batch = record.batch;
    return status;
}

FileStatus SaveJournal::beginAll(std::vector<JournalRecord> &records)
{
    if (records.empty())
        return FileStatus::success();
    FileStatus status = openForChanges();
    if (!status)
        return status;
    for (JournalRecord &record : records)
        prepare(record);
    status = statusOf(m_store.insertAll(records));
    if (!status) {
        if (!m_heldForBatch)
            m_store.unlock();
        return status;
    }
    m_heldForBatch = true;
    if (m_batch == 0)
        m_batch = records.front().batch;
    return status;
}

FileStatus SaveJournal::finishUntouched(const std::vector<qint64> &ids)
{
    return ids.empty() ? FileStatus::success() : statusOf(m_store.setStates(ids, JournalRecord::State::Nothing));
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

std::vector<JournalRecord> SaveJournal::records(const QByteArray &folder, int limit, FileStatus *problem)
{
    StoreResult result = m_store.open(false);
    std::vector<JournalRecord> found;
    if (result)
        found = m_store.records(folder, limit, result);
    if (problem)
        *problem = statusOf(result);
    return found;
}

std::optional<JournalRecord> SaveJournal::record(qint64 id, FileStatus *problem)
{
    StoreResult result = m_store.open(false);
    std::optional<JournalRecord> found;
    if (result)
        found = m_store.record(id, result);
    if (problem)
        *problem = statusOf(result);
    return found;
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
    StoreResult result = m_store.open(false);
    std::vector<JournalRecord> found;
    if (result)
        found = m_store.unfinished(result);
    if (problem)
        *problem = statusOf(result);
    return found;
}

FileStatus SaveJournal::setNote(qint64 id, const QByteArray &note)
{
    return statusOf(m_store.setNote(id, note));
}

FileStatus SaveJournal::trim()
{
    return statusOf(m_store.trim(m_limit));
}
