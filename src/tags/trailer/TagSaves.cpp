// Saving tags, one file or a batch: the one path of Save Tags, every folder job and the command
// line's set.

#include "tags/trailer/TagCore.h"

#include "tags/files/BatchFlush.h"
#include "tags/journal/ProvenFile.h"
#include "tags/journal/SaveJournal.h"
#include "tags/text/TestStop.h"
#include "tags/trailer/FileRename.h"
#include "tags/trailer/HeadPlan.h"
#include "tags/trailer/SaveChecks.h"
#include "tags/trailer/TagFile.h"

#include <QHash>

#include <cerrno>
#include <cstdlib>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using State = JournalRecord::State;

QByteArray folderPrefixOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash + 1);
}

TagSaveResult failed(const FileStatus &status, const QByteArray &path)
{
    TagSaveResult result;
    result.status = status;
    result.path = path;
    return result;
}

FileStatus timesNotKept(const FileStatus &reason)
{
    return FileStatus::failure(reason.code(),
                               QStringLiteral("The tag is written, but the file's times could not be kept: %1")
                                   .arg(reason.description()));
}

// The real folders of the files saved, as the journal records them: asked once for each folder.
class RealFolders {
public:
    QByteArray of(const QByteArray &path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
        const auto known = m_known.constFind(folder);
        if (known != m_known.constEnd())
            return *known;
        QByteArray real;
        if (char *resolved = ::realpath(folder.constData(), nullptr)) {
            real = resolved;
            std::free(resolved);
        }
        m_known.insert(folder, real);
        return real;
    }

private:
    QHash<QByteArray, QByteArray> m_known;
};

// The journal's record of a save of the file as given: its identity, permissions and last 128
// bytes.
JournalRecord recordOf(const TagSave &request, const QByteArray &realFolder, const FileIdentity &identity, int mode,
                       const QByteArray &oldTail, const QByteArray &newTrailer)
{
    JournalRecord record;
    record.folder = realFolder;
    record.oldName = request.path.mid(request.path.lastIndexOf('/') + 1);
    // A name that cannot be used is refused after the trailer is written: the file keeps its own.
    const bool renames = !request.newName.isEmpty() && newNameProblem(request.newName).isEmpty();
    record.newName = renames ? request.newName : record.oldName;
    const bool overwrite = oldTail.size() == Id3v1::TrailerSize && Id3v1::hasMarker(oldTail);
    record.op = overwrite ? JournalRecord::Op::Write : JournalRecord::Op::Append;
    record.lengthBefore = identity.size;
    record.device = identity.device;
    record.inode = identity.inode;
    record.mode = mode;
    record.oldTail = oldTail;
    record.newTail = newTrailer;
    return record;
}

// Whether two records of one save describe the same change of the same file.
bool sameChange(const JournalRecord &a, const JournalRecord &b)
{
    return a.folder == b.folder && a.oldName == b.oldName && a.newName == b.newName && a.op == b.op
           && a.lengthBefore == b.lengthBefore && a.oldTail == b.oldTail && a.newTail == b.newTail && a.device == b.device
           && a.inode == b.inode && (a.mode & 0777) == (b.mode & 0777);
}

// What a save finds once the file is open and locked: its trailer, and the fields to write.
struct OpenedSave {
    QByteArray trailer;
    bool hadTag = false;
    Id3v1::Fields fields;
    bool nothingToDo = false;  // planned anew, the file already holds what the save would write
};

// Opens and locks the file for a save, with every check, and reads its trailer as it is. A trailer
// other than the one expected is planned anew (replan) or refused.
FileStatus openForSave(const TagSave &request, TagFile &file, OpenedSave &opened)
{
    std::optional<FileIdentity> expected = request.expected;
    if (expected && request.replan)
        expected->size = -1;  // another save may have appended a tag meanwhile: planned anew below
    FileStatus status = file.openChecked(request.path, request.folder, expected, TagFile::Access::ForWriting);
    if (status)
        status = file.readTrailer(opened.trailer);
    opened.hadTag = opened.trailer.size() == Id3v1::TrailerSize && Id3v1::hasMarker(opened.trailer);
    opened.fields = request.fields;
    if (!status || !request.expectedTrailer || *request.expectedTrailer == opened.trailer)
        return status;
    if (!request.replan)
        return SaveChecks::changedOnDiskRefusal();
    opened.nothingToDo = !request.replan(opened.trailer, opened.fields)
                         || (opened.hadTag && Id3v1::build(opened.fields) == opened.trailer);
    return status;
}

// Plans the ID3v2 tag's change under the file's lock. A tag that cannot be written whole is a
// refusal: the file is left as it is, trailer too. ahead: the record committed before, whose
// plan stands when the file holds what it was made from.
FileStatus planHead(const TagSave &save, TagFile &file, const OpenedSave &opened, const QByteArray &newTrailer,
                    const JournalRecord *ahead, HeadChange &change)
{
    if (!save.id3v2Fields || !save.page)
        return FileStatus::success();
    QByteArray tag;
    FileStatus status = file.readHead(tag, MostHeadBytes);
    if (!status || tag.isEmpty())
        return status;
    QString problem;
    if (ahead && ahead->writesHead() && ahead->oldHead == tag && ahead->oldTail == opened.trailer
        && ahead->newTail == newTrailer)
        change = {tag, ahead->newHead, tag.size() == ahead->newHead.size()};
    else
        problem = planHeadChange(tag, opened.trailer, newTrailer, *save.page, save.id3v2Fields, change,
                                 &save.id3v2Whole);
    if (!problem.isEmpty())
        return FileStatus::failure(EPROTO, QStringLiteral("The ID3v2 tag cannot be written without loss (%1), so "
                                                          "this file was not changed.").arg(problem));
    if (change.any() && !change.inPlace && file.linkCount() > 1) {
        change = {};
        return FileStatus::failure(EMLINK, QStringLiteral("The file has more than one name (hard links) and its ID3v2 "
                                                          "tag must grow, so this file was not changed."));
    }
    return status;
}

bool knowsItsReading(const TagSave &save)
{
    return save.expected && save.expected->size >= 0 && save.expectedTrailer && save.modeRead >= 0;
}

// One save of a batch as it goes.
struct Pending {
    JournalRecord record;  // id 0: none
    bool ahead = false;    // committed with the batch, before any file changed
    enum class Step { Untouched, Refused, Written, Failed } step = Step::Untouched;
    bool keptName = false;  // written, but the rename was refused
    TagSaveResult result;
};

class Batch {
public:
    Batch(const std::vector<TagSave> &saves, const TagSaves &options)
        : m_saves(saves), m_journal(options.journal), m_progress(options.progress), m_items(saves.size())
    {
    }

    std::vector<TagSaveResult> run()
    {
        const bool ownBatch = m_journal && !m_journal->inBatch();
        if (ownBatch)
            m_journal->beginBatch();
        commitAhead();
        for (size_t i = 0; i < m_saves.size(); ++i) {
            if (m_items[i].step == Pending::Step::Untouched)
                write(i);
            if (m_progress && !m_progress(i + 1))
                break;
        }
        flush();
        rename();
        close();
        if (m_journal) {
            m_journal->leaveOpen();
            if (ownBatch)
                m_journal->endBatch();
        }
        std::vector<TagSaveResult> results;
        results.reserve(m_items.size());
        for (size_t i = 0; i < m_items.size(); ++i) {
            Pending &p = m_items[i];
            results.push_back(p.step == Pending::Step::Untouched ? failed(FileStatus::success(), m_saves[i].path)
                                                                 : std::move(p.result));
        }
        return results;
    }

private:
    // The records of the saves that carry their reading, in one transaction before any file changes.
    void commitAhead()
    {
        if (!m_journal)
            return;
        std::vector<JournalRecord> records;
        std::vector<size_t> owners;
        for (size_t i = 0; i < m_saves.size(); ++i) {
            const TagSave &save = m_saves[i];
            if (!knowsItsReading(save))
                continue;
            const QByteArray newTrailer = Id3v1::build(save.fields);
            records.push_back(recordOf(save, m_folders.of(save.path), *save.expected, save.modeRead,
                                       *save.expectedTrailer, newTrailer));
            // The ID3v2 tag as read now: found so under the lock, the record needs no amending
            // (and no second flush of the journal).
            HeadChange head;
            if (save.id3v2Fields && save.page
                && planHeadChangeOf(save.path, *save.expectedTrailer, newTrailer, *save.page, save.id3v2Fields, head,
                                    &save.id3v2Whole)
                       .isEmpty()) {
                records.back().oldHead = head.before;
                records.back().newHead = head.after;
            }
            owners.push_back(i);
        }
        const FileStatus status = m_journal->beginAll(records);
        for (size_t k = 0; k < owners.size(); ++k) {
            Pending &p = m_items[owners[k]];
            if (status) {
                p.record = std::move(records[k]);
                p.ahead = true;
            } else {
                p.step = Pending::Step::Refused;
                p.result = failed(status, m_saves[owners[k]].path);
            }
        }
    }

    // The record of save i as the file is found under its lock: the one committed ahead when it
    // still says so (amended for a save planned anew), else one begun now.
    FileStatus recordUnderLock(size_t i, const TagFile &file, const OpenedSave &opened, const QByteArray &newTrailer,
                               const HeadChange &head)
    {
        Pending &p = m_items[i];
        const TagSave &save = m_saves[i];
        FileIdentity identity;
        file.identity(identity);
        JournalRecord now = recordOf(save, m_folders.of(save.path), identity, file.mode(), opened.trailer, newTrailer);
        now.oldHead = head.before;
        now.newHead = head.after;
        if (!p.ahead) {
            const FileStatus status = m_journal->begin(now);
            if (status)
                p.record = now;
            return status;
        }
        if (sameChange(now, p.record) && now.oldHead == p.record.oldHead && now.newHead == p.record.newHead)
            return FileStatus::success();
        if (!sameChange(now, p.record) && !save.replan)
            return SaveChecks::changedOnDiskRefusal();
        // Planned anew, or an ID3v2 tag other than the one read ahead: the record learns it now.
        now.id = p.record.id;
        now.batch = p.record.batch;
        now.whenMs = p.record.whenMs;
        now.state = p.record.state;
        const FileStatus status = m_journal->amend(now);
        if (status)
            p.record = now;
        return status;
    }

    void write(size_t i)
    {
        Pending &p = m_items[i];
        const TagSave &save = m_saves[i];
        TagFile file;
        OpenedSave opened;
        FileStatus status = openForSave(save, file, opened);
        if (status && opened.nothingToDo) {
            p.step = Pending::Step::Refused;  // already so: nothing to write, nothing to say
            p.result = failed(FileStatus::success(), save.path);
            return;
        }
        const QByteArray newTrailer = Id3v1::build(opened.fields);
        HeadChange head;
        if (status)
            status = planHead(save, file, opened, newTrailer, p.ahead ? &p.record : nullptr, head);
        if (status && m_journal)
            status = recordUnderLock(i, file, opened, newTrailer, head);
        if (!status) {
            p.step = Pending::Step::Refused;
            p.result = failed(status, save.path);
            return;
        }
        TestStop::at("journal");
        status = file.prepareToWrite();  // a read-only file is made writable once it is known
        const bool alone = m_saves.size() == 1;
        if (status && head.inPlace)
            status = file.writeHeadInPlace(head.after, head.before);
        if (status && head.any() && !head.inPlace)
            status = rewrite(p, file, head, newTrailer, opened.hadTag, save.keepTimes);
        else if (status)
            status = file.writeTrailer(newTrailer, opened.hadTag, alone ? TagFile::Flush::Now : TagFile::Flush::Later);
        if (!status && head.inPlace && file.isOpen())
            (void)file.writeHeadInPlace(head.before, head.after);  // the two tags never disagree because of us
        if (!status) {
            file.putReadOnlyBack();  // the protection is kept when nothing was saved
            p.step = Pending::Step::Failed;  // its record stays open: the next start looks at the file
            p.result = failed(status, save.path);
            return;
        }
        if (save.keepTimes)
            status = file.restoreTimes();
        p.step = Pending::Step::Written;
        p.result.status = status ? status : timesNotKept(status);
        p.result.written = true;
        p.result.id3v2Written = head.any();
        p.result.path = save.path;
        p.result.trailer = newTrailer;
        p.result.mode = file.mode() | S_IWUSR;  // a save leaves a read-only file writable
        file.identity(p.result.identity);  // after the write and the times; a rename leaves it
        if (!alone)
            m_flush.add(i, file.descriptor(), p.result.identity.device);
        TestStop::at("trailer");
    }

    // The file written anew with its grown ID3v2 tag; the new file's inode written down in the
    // record before anything is written into it, so that a crash leaves nothing unaccounted for.
    FileStatus rewrite(Pending &p, TagFile &file, const HeadChange &head, const QByteArray &newTrailer, bool overwrite,
                       bool keepTimes)
    {
        if (!m_journal || !p.record.id)
            return file.rewriteWithHead(head.after, head.before.size(), newTrailer, overwrite, keepTimes);
        return file.rewriteWithHead(head.after, head.before.size(), newTrailer, overwrite, keepTimes,
                                    ProvenFile::temporaryName(p.record.id), [&](quint64 inode) {
                                        p.record.inodeAfter = inode;
                                        return m_journal->amend(p.record);
                                    });
    }

    // The writes made durable together. A flush that fails leaves its saves' records open, for the
    // next start to look at the files.
    void flush()
    {
        for (const auto &[i, code] : m_flush.flush()) {
            Pending &p = m_items[i];
            p.step = Pending::Step::Failed;
            p.result.status = FileStatus::failure(
                code, QStringLiteral("The tag is written, but could not be flushed to disk (%1).")
                          .arg(FileStatus::fromErrno(code).description()));
        }
    }

    void rename()
    {
        std::vector<qint64> renaming;
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (m_items[i].step == Pending::Step::Written && !m_saves[i].newName.isEmpty() && m_items[i].record.id)
                renaming.push_back(m_items[i].record.id);
        }
        if (m_journal && !renaming.empty())
            m_journal->setStates(renaming, State::Bytes);
        for (size_t i = 0; i < m_items.size(); ++i) {
            Pending &p = m_items[i];
            const TagSave &save = m_saves[i];
            if (p.step != Pending::Step::Written || save.newName.isEmpty())
                continue;
            if (!p.result.status) {  // the times could not be kept: the save stops there
                p.keptName = true;
                continue;
            }
            if (const QString problem = newNameProblem(save.newName); !problem.isEmpty()) {
                p.keptName = true;
                p.result.status = FileStatus::failure(EINVAL, problem);
                continue;
            }
            const QByteArray newPath = folderPrefixOf(save.path) + save.newName;
            const FileStatus status = renameNoReplace(save.path, newPath);
            TestStop::at("renamed");
            if (status)
                p.result.path = newPath;
            else
                p.result.status = status;
            p.keptName = !status;
        }
    }

    // The records closed in one transaction: done (or the name kept), or nothing for a file
    // refused or never reached. A failed write's record stays open.
    void close()
    {
        if (!m_journal)
            return;
        std::vector<qint64> done, keptName, nothing;
        for (const Pending &p : m_items) {
            if (!p.record.id)
                continue;
            if (p.step == Pending::Step::Written)
                (p.keptName ? keptName : done).push_back(p.record.id);
            else if (p.step == Pending::Step::Refused || p.step == Pending::Step::Untouched)
                nothing.push_back(p.record.id);
        }
        m_journal->setStates(done, State::Done);
        m_journal->setStates(keptName, State::KeptName);
        m_journal->setStates(nothing, State::Nothing);
    }

    const std::vector<TagSave> &m_saves;
    SaveJournal *m_journal;
    const std::function<bool(size_t)> &m_progress;
    std::vector<Pending> m_items;
    RealFolders m_folders;
    BatchFlush m_flush{m_saves.size()};
};

}  // namespace

std::vector<TagSaveResult> saveTagFiles(const std::vector<TagSave> &saves, const TagSaves &options)
{
    return Batch(saves, options).run();
}

TagSave saveOverReading(const QByteArray &path, const TagReading &reading, const Id3v1::Fields &fields)
{
    TagSave save;
    save.path = path;
    save.fields = fields;
    save.expected = reading.identity;
    save.expectedTrailer = reading.trailer;
    save.modeRead = reading.mode;
    return save;
}

TagSaveResult saveTagFile(const TagSave &request)
{
    TagSaves options;
    options.journal = request.journal;
    return saveTagFiles({request}, options).front();
}
