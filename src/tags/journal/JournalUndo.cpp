#include "tags/journal/JournalUndo.h"

#include "tags/text/TestStop.h"
#include "tags/journal/JournalSteps.h"
#include "tags/journal/ProvenFile.h"
#include "tags/journal/SaveJournal.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

using Op = JournalRecord::Op;
using State = JournalRecord::State;
using Where = ProvenFile::Where;
using Tail = ProvenFile::Tail;

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalUndo", text);
}

QString systemText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

FileStatus refusal(const JournalRecord &record, const QString &why, int code = ESTALE)
{
    return FileStatus::failure(code, tr("The %1 cannot be undone: %2").arg(describeChange(record), why));
}

}  // namespace

JournalRecord inverseOf(const JournalRecord &record, int modeNow)
{
    JournalRecord inverse = record;
    inverse.id = 0;
    inverse.undoes = record.id;
    inverse.op = record.op == Op::Append ? Op::Cut : record.op == Op::Cut ? Op::Append : Op::Write;
    inverse.lengthBefore = record.lengthAfter();
    inverse.oldTail = record.newTail;
    inverse.newTail = record.oldTail;
    inverse.oldHead = record.newHead;
    inverse.newHead = record.oldHead;
    if (record.inodeAfter)
        inverse.inode = record.inodeAfter;  // the file the save wrote anew
    inverse.inodeAfter = 0;
    inverse.oldName = record.currentName();
    inverse.newName = record.oldName;
    inverse.mode = modeNow & 0777;
    inverse.modeAfter = record.mode;
    inverse.state = State::Begun;
    inverse.undoneBy = 0;
    inverse.note.clear();
    return inverse;
}

namespace {

FileStatus finishPending(SaveJournal &journal, JournalRecord pending)
{
    if (!journal.tryHoldQuiet())
        return FileStatus::failure(EBUSY, tr("The %1 is in progress in another Velmora process; try again when it has "
                                             "ended.").arg(describeChange(pending)));
    const FileStatus status = JournalSteps::carryForward(journal, pending);
    journal.releaseQuiet();
    return status;
}

}  // namespace

QString describeChange(const JournalRecord &record)
{
    const QString name = QString::fromUtf8(record.oldName);
    if (record.undoes)
        return tr("undo of change %1 (%2)").arg(record.undoes).arg(name);
    return tr("save of %1").arg(name);
}

const JournalRecord *lastUndoableSave(const std::vector<JournalRecord> &records)
{
    // Newest first.
    const auto last = std::find_if(records.begin(), records.end(),
                                   [](const JournalRecord &r) { return r.undoes == 0 && r.undoable(); });
    return last == records.end() ? nullptr : &*last;
}

namespace JournalSteps {

FileStatus carryForward(SaveJournal &journal, JournalRecord &undo)
{
    const JournalRecord &u = undo;
    if (const QByteArray problem = ProvenCheck::problemOf(u); !problem.isEmpty())
        return FileStatus::failure(EBADMSG, tr("The %1 was not finished: its record is refused (%2).")
                                              .arg(describeChange(u), QString::fromUtf8(problem)));
    const std::optional<JournalRecord> undone = journal.record(u.undoes);
    if (!undone || undone->mode != u.modeAfter || undone->device != u.device
        || (undone->inodeAfter ? undone->inodeAfter : undone->inode) != u.inode)
        return FileStatus::failure(EBADMSG, tr("The %1 was not finished: its record does not match the change it undoes.")
                                              .arg(describeChange(u)));
    ProvenFile file;
    Where where = Where::Neither;
    if (const int code = file.locate(u, where); code != 0)
        return FileStatus::failure(code, tr("The %1 was not finished: its folder \"%2\" cannot be opened (%3).")
                                             .arg(describeChange(u), QString::fromUtf8(u.folder), systemText(code)));
    if (where == Where::Neither)
        return FileStatus::failure(ENOENT, tr("The %1 was not finished: the file is no longer in \"%2\".")
                                               .arg(describeChange(u), QString::fromUtf8(u.folder)));
    const QByteArray name = where == Where::New ? u.newName : u.oldName;
    if (const int code = file.open(name); code != 0)
        return FileStatus::failure(code, tr("The %1 was not finished: \"%2\" cannot be opened (%3).")
                                             .arg(describeChange(u), QString::fromUtf8(u.pathOf(name)), systemText(code)));
    FileStatus status = FileStatus::success();
    if (u.state == State::Begun) {
        const Tail tail = file.tailState(u);
        if (tail == Tail::Neither)
            return FileStatus::failure(ESTALE, tr("The %1 was not finished: \"%2\" is neither as it was before nor as "
                                                  "it was to be, and was left as it is.")
                                                   .arg(describeChange(u), QString::fromUtf8(u.pathOf(name))));
        if (tail == Tail::After && u.rewrites())
            file.removeLeftover(u);  // the file it replaced, should a cut have come before its removal
        if (tail != Tail::After && u.rewrites()) {
            // The ID3v2 tag changes its length back: the file written anew, its inode written down first.
            const int code = file.rewrite(u, [&](quint64 inode) {
                undo.inodeAfter = inode;
                const FileStatus amended = journal.amend(undo);
                return amended ? 0 : amended.code() ? amended.code() : EIO;
            });
            if (code != 0)
                return FileStatus::failure(code, tr("The %1 failed: the file could not be written anew (%2).")
                                                     .arg(describeChange(u), systemText(code)));
        } else if (tail != Tail::After) {
            int code = file.makeWritable();
            if (code == 0)
                code = file.writeEnd(u, true);
            if (code != 0)
                return FileStatus::failure(code, tr("The %1 failed: the tag could not be written (%2).")
                                                     .arg(describeChange(u), systemText(code)));
        }
        TestStop::at("undo-bytes");
        if (status = journal.step(u, State::Bytes); !status)
            return status;
        undo.state = State::Bytes;
    }
    if (u.state == State::Bytes) {
        if (const int code = file.setMode(u.modeAfter); code != 0)
            return FileStatus::failure(code, tr("The %1 failed: the permissions %2 could not be given back to \"%3\" "
                                                "(%4). The tag is back; undo the change again to finish it.")
                                                 .arg(describeChange(u), QString::number(u.modeAfter, 8),
                                                      QString::fromUtf8(u.pathOf(name)), systemText(code)));
        TestStop::at("undo-mode");
        if (status = journal.step(u, State::Mode); !status)
            return status;
        undo.state = State::Mode;
    }
    if (u.state == State::Mode && u.renames()) {
        int code = 0;
        if (where == Where::Both)
            code = file.unlinkSecondName(u.oldName);
        else if (where == Where::Old)
            code = file.rename(u.oldName, u.newName);
        if (code != 0)
            return FileStatus::failure(code, tr("The %1 failed: \"%2\" could not be renamed back to \"%3\" (%4). The tag "
                                                "and permissions are back; undo the change again to finish it.")
                                                 .arg(describeChange(u), QString::fromUtf8(u.pathOf(u.oldName)),
                                                      QString::fromUtf8(u.newName),
                                                      code == EEXIST ? tr("another file has that name") : systemText(code)));
        TestStop::at("undo-renamed");
    }
    status = journal.step(u, State::Done);
    undo.state = State::Done;
    return status;
}

}  // namespace JournalSteps

FileStatus undoChange(SaveJournal &journal, const JournalRecord &record, bool dryRun)
{
    // An undo cut short is finished, whether the change it undoes is named or the undo itself.
    std::optional<JournalRecord> pending = journal.pendingUndoOf(record.id);
    if (!pending && record.undoes && record.unfinished())
        pending = record;
    if (pending)
        return dryRun ? FileStatus::success() : finishPending(journal, *pending);
    if (record.undoes == 0 && record.undoneBy == 0 && record.unfinished())
        return refusal(record, tr("it is in progress, or was cut short and is looked at by the next start."));
    if (!record.undoable())
        return refusal(record, record.undoneBy ? tr("it was undone already (change %1).").arg(record.undoneBy)
                                               : tr("it changed nothing."));
    ProvenFile file;
    if (const FileStatus checked = checkUndoOf(record, file); !checked)
        return checked;
    if (dryRun)
        return FileStatus::success();
    JournalRecord begun = inverseOf(record, file.mode());
    if (FileStatus status = journal.begin(begun); !status)
        return status;
    const FileStatus status = JournalSteps::carryForward(journal, begun);
    journal.leaveOpen();
    return status;
}

FileStatus checkUndoOf(const JournalRecord &record, ProvenFile &file, ProvenFolders *folders)
{
    if (const QByteArray problem = ProvenCheck::problemOf(record); !problem.isEmpty())
        return refusal(record, tr("its record in the journal is refused (%1).").arg(QString::fromUtf8(problem)), EPERM);
    Where where = Where::Neither;
    if (const int code = file.locate(record, where, folders); code != 0)
        return refusal(record, tr("its folder \"%1\" cannot be opened (%2).").arg(QString::fromUtf8(record.folder), systemText(code)));
    const QByteArray current = record.currentName();
    const bool there = where == Where::Both || (current == record.newName && where == Where::New)
        || (current == record.oldName && where == Where::Old);
    struct stat st;
    if (!there)
        return refusal(record, ::fstatat(file.folderFd(), current.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
                                   ? tr("the file of that name is another file now.")
                                   : tr("\"%1\" is no longer there.").arg(QString::fromUtf8(record.pathOf(current))));
    // Held from the checks to the end of the undo: nothing another process writes comes between.
    if (const int code = file.open(current, FileLock::Wait::Yes); code != 0)
        return refusal(record, code == EBUSY ? FileLock::busyStatus().description() : systemText(code));
    if (file.size() != record.lengthAfter())
        return refusal(record, tr("its length has changed since."));
    if (file.tailState(record) != Tail::After)
        return refusal(record, tr("its tag has changed since."));
    const JournalRecord inverse = inverseOf(record, file.mode());
    if (inverse.renames() && ::fstatat(file.folderFd(), inverse.newName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return refusal(record, tr("another file is called \"%1\" now.").arg(QString::fromUtf8(inverse.newName)));
    return FileStatus::success();
}
