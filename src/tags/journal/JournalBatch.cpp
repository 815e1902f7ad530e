#include "tags/journal/JournalBatch.h"

#include "tags/files/BatchFlush.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/ProvenFile.h"
#include "tags/journal/SaveJournal.h"

#include "tags/text/TestStop.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The note's prefix tells a job's name from a message of the recovery.
const QByteArray jobPrefix = "job: ";

// A batch holds one descriptor for each of its files: the soft limit (often 1,024) goes up to the
// hard one, which the system lets any process do. Returns how many files may be held, leaving room
// for the checks' own opens and the rest of the program.
size_t raiseOpenFileLimit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    constexpr rlim_t room = 256;
    return limit.rlim_cur > room ? size_t(std::min<rlim_t>(limit.rlim_cur - room, 1 << 20)) : 0;
}

// Whether a save is undone by the batch's own steps: a finished save, undoable, with no undo of it
// begun. Anything else (an undo of an undo, a change cut short) goes through undoChange, which
// finishes or refuses it.
bool plainSave(const JournalRecord &r)
{
    // A file written anew is given back on its own (JournalUndo.h).
    return r.undoes == 0 && r.undoable() && !r.unfinished() && !r.rewrites();
}

using State = JournalRecord::State;

// The undo of many saves. The files are found, locked in one order (device, inode: two batches
// never wait on each other) and checked first, all of them, holding the locks; only when every
// check passes are the undos' records committed in one transaction, every file given back its end
// and permissions, the writes flushed once for each file system, the renames made, and the records
// closed in one transaction. A kill anywhere after the commit is finished by the next start, as
// for one undo.
class BatchUndoRun {
public:
    BatchUndoRun(SaveJournal &journal, const std::vector<JournalRecord> &saves,
                 const std::function<void(const JournalRecord &, const FileStatus &)> &each)
        : m_journal(journal), m_saves(saves), m_each(each), m_checks(saves.size(), FileStatus::success()),
          m_undos(saves.size())
    {
    }

    BatchUndo check(bool dryRun)
    {
        const size_t most = raiseOpenFileLimit();
        std::vector<size_t> order(m_saves.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [this](size_t a, size_t b) {
            return std::tie(m_saves[a].device, m_saves[a].inode) < std::tie(m_saves[b].device, m_saves[b].inode);
        });
        BatchUndo outcome;
        for (const size_t i : order) {
            const JournalRecord &r = m_saves[i];
            if (!plainSave(r)) {
                m_checks[i] = undoChange(m_journal, r, true);
            } else {
                ProvenFile file;
                m_checks[i] = checkUndoOf(r, file, &m_folders);
                if (m_checks[i]) {
                    m_undos[i] = inverseOf(r, file.mode());
                    if (m_held.size() < most)
                        m_held.push_back(file.takeLock());
                }
            }
            outcome.refused += m_checks[i] ? 0 : 1;
        }
        for (size_t i = 0; i < m_saves.size(); ++i)
            if (m_each && (dryRun || !m_checks[i]))
                m_each(m_saves[i], m_checks[i]);
        return outcome;
    }

    BatchUndo run()
    {
        BatchUndo outcome;
        m_journal.beginBatch();
        std::vector<JournalRecord> records;
        std::vector<size_t> owners;
        for (size_t i = 0; i < m_saves.size(); ++i) {
            if (plainSave(m_saves[i])) {
                records.push_back(m_undos[i]);
                owners.push_back(i);
            }
        }
        std::vector<FileStatus> results(m_saves.size(), FileStatus::success());
        if (const FileStatus status = m_journal.beginAll(records); !status) {
            for (const size_t i : owners)
                results[i] = status;
            records.clear();
            owners.clear();
        }
        for (size_t k = 0; k < owners.size(); ++k) {
            m_undos[owners[k]] = records[k];
            results[owners[k]] = giveBack(owners[k]);
        }
        flush(results);
        finish(owners, results);
        m_journal.endBatch();
        // Undos of another kind, each on its own, once the plain ones are done.
        for (size_t i = 0; i < m_saves.size(); ++i)
            if (!plainSave(m_saves[i]))
                results[i] = undoChange(m_journal, m_saves[i], false);
        for (size_t i = 0; i < m_saves.size(); ++i) {
            outcome.failed += results[i] ? 0 : 1;
            if (m_each)
                m_each(m_saves[i], results[i]);
        }
        return outcome;
    }

private:
    // The file of an undo, found where its check found it, under the lock held since.
    int openGiven(ProvenFile &file, const JournalRecord &u)
    {
        ProvenFile::Where where = ProvenFile::Where::Neither;
        int code = file.locate(u, where, &m_folders);
        if (code == 0)
            code = where == ProvenFile::Where::Old ? file.open(u.oldName) : ESTALE;
        return code;
    }

    // The file's end as before the save (the write flushed with the rest), then its permissions:
    // the end's outcome is returned, the permissions' kept for the step after the flush.
    FileStatus giveBack(size_t i)
    {
        const JournalRecord &u = m_undos[i];
        ProvenFile file;
        int code = openGiven(file, u);
        const ProvenFile::Tail tail = code == 0 ? file.tailState(u) : ProvenFile::Tail::Neither;
        if (code == 0 && tail != ProvenFile::Tail::After) {  // a rename's undo writes nothing
            code = tail == ProvenFile::Tail::Before ? file.makeWritable() : ESTALE;
            if (code == 0)
                code = file.writeEnd(u, true, false);
        }
        if (code != 0)
            return FileStatus::failure(code, QCoreApplication::translate("JournalBatch", "The %1 failed: the tag could "
                                                                                          "not be written (%2).")
                                                 .arg(describeChange(u), QString::fromLocal8Bit(std::strerror(code))));
        TestStop::at("undo-bytes");
        m_flush.add(i, file.descriptor(), quint64(u.device));
        if (const int modeCode = file.setMode(u.modeAfter); modeCode != 0)
            m_modeFailures.emplace(i, FileStatus::failure(
                modeCode, QCoreApplication::translate("JournalBatch", "The %1 failed: the permissions %2 could not be "
                                                                      "given back to \"%3\" (%4). The tag is back; undo "
                                                                      "the change again to finish it.")
                              .arg(describeChange(u), QString::number(u.modeAfter, 8),
                                   QString::fromUtf8(u.pathOf(u.oldName)), QString::fromLocal8Bit(std::strerror(modeCode)))));
        else
            TestStop::at("undo-mode");
        return FileStatus::success();
    }

    void flush(std::vector<FileStatus> &results)
    {
        for (const auto &[i, code] : m_flush.flush())
            results[i] = FileStatus::fromErrno(code);
    }

    // Each step taken for every file before the next, each written down for all in one transaction:
    // the ends (flushed), the permissions, the names.
    void finish(const std::vector<size_t> &owners, std::vector<FileStatus> &results)
    {
        const auto step = [&](State state, const std::function<FileStatus(size_t)> &take) {
            std::vector<qint64> taken;
            for (const size_t i : owners) {
                if (results[i] && take)
                    results[i] = take(i);
                if (results[i])
                    taken.push_back(m_undos[i].id);
            }
            m_journal.setStates(taken, state);
        };
        step(State::Bytes, {});
        step(State::Mode, [this](size_t i) {
            const auto failed = m_modeFailures.find(i);
            return failed == m_modeFailures.end() ? FileStatus::success() : failed->second;
        });
        step(State::Done, [this](size_t i) { return m_undos[i].renames() ? renameBack(m_undos[i]) : FileStatus::success(); });
    }

    FileStatus renameBack(const JournalRecord &u)
    {
        ProvenFile file;
        ProvenFile::Where where = ProvenFile::Where::Neither;
        int code = file.locate(u, where, &m_folders);
        if (code == 0)
            code = where == ProvenFile::Where::Old ? file.rename(u.oldName, u.newName) : ESTALE;
        if (code == 0)
            TestStop::at("undo-renamed");
        if (code == 0)
            return FileStatus::success();
        return FileStatus::failure(code, QCoreApplication::translate("JournalBatch",
                                                                     "The %1 failed: \"%2\" could not be renamed back "
                                                                     "to \"%3\" (%4). The tag and permissions are back; "
                                                                     "undo the change again to finish it.")
                                             .arg(describeChange(u), QString::fromUtf8(u.pathOf(u.oldName)),
                                                  QString::fromUtf8(u.newName),
                                                  code == EEXIST ? QCoreApplication::translate("JournalBatch", "another file has that name")
                                                                 : QString::fromLocal8Bit(std::strerror(code))));
    }

    SaveJournal &m_journal;
    const std::vector<JournalRecord> &m_saves;
    const std::function<void(const JournalRecord &, const FileStatus &)> &m_each;
    std::vector<FileStatus> m_checks;
    std::vector<JournalRecord> m_undos;  // per save: its undo, once checked
    ProvenFolders m_folders;
    std::vector<FileLock> m_held;
    BatchFlush m_flush{m_saves.size()};
    std::map<size_t, FileStatus> m_modeFailures;  // per save: its permissions not given back
};

}  // namespace

UndoableBatch lastUndoableBatch(SaveJournal &journal, FileStatus *problem)
{
    UndoableBatch batch;
    const std::optional<JournalRecord> last = journal.lastUndoable();
    if (!last)
        return batch;
    // A batch's id is its first record's, so a save that opened its batch is the only undoable
    // save left in it: the usual single save needs no second look at the journal.
    const bool alone = last->batch == last->id;
    for (const JournalRecord &r : alone ? std::vector<JournalRecord>{*last} : journal.batch(last->batch, problem)) {
        if (r.id == r.batch && r.note.startsWith(jobPrefix))
            batch.jobName = QString::fromUtf8(r.note.mid(jobPrefix.size()));
        if (r.undoes == 0 && r.undoable())
            batch.saves.push_back(r);
    }
    return batch;
}

FileStatus nameBatch(SaveJournal &journal, qint64 batch, const QString &jobName)
{
    return journal.setNote(batch, jobPrefix + jobName.toUtf8());
}

BatchUndo undoSaves(SaveJournal &journal, const std::vector<JournalRecord> &saves, bool dryRun,
                    const std::function<void(const JournalRecord &save, const FileStatus &status)> &each)
{
    BatchUndoRun undo(journal, saves, each);
    const BatchUndo checked = undo.check(dryRun);
    return dryRun || checked.refused ? checked : undo.run();
}
