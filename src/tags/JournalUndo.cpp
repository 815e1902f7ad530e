#include "tags/JournalUndo.h"

#include "tags/FileRename.h"
#include "tags/Id3v1.h"
#include "tags/SaveJournal.h"
#include "tags/TagFile.h"

#include <QCoreApplication>

#include <algorithm>

#include <sys/stat.h>

namespace {

using Op = JournalRecord::Op;
using Outcome = JournalRecord::Outcome;

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalUndo", text);
}

FileStatus refusal(const JournalRecord &record, const QString &why)
{
    return FileStatus::failure(ESTALE, tr("The %1 cannot be undone: %2").arg(describeChange(record), why));
}

// Why the open file is not as the change left it; empty when it is.
QString changedSince(const TagFile &file, const JournalRecord &record)
{
    FileIdentity identity;
    file.identity(identity);
    if (identity.device != record.device || identity.inode != record.inode)
        return tr("the file of that name is another file now.");
    if (identity.size != record.lengthAfter())
        return tr("its length has changed since.");
    if (JournalCheck::stateOf(file, record) != JournalCheck::State::After)
        return tr("its tag has changed since.");
    return QString();
}

// The change that takes record back, from the file as record left it.
JournalRecord inverseOf(const JournalRecord &record)
{
    JournalRecord inverse = record;
    inverse.undoes = record.id;
    inverse.op = record.op == Op::Append ? Op::Cut : record.op == Op::Cut ? Op::Append : Op::Write;
    inverse.lengthBefore = record.lengthAfter();
    inverse.oldTail = record.newTail;
    inverse.newTail = record.oldTail;
    inverse.oldName = record.currentName();
    inverse.newName = record.oldName;
    inverse.outcome = Outcome::Open;
    inverse.undoneBy = 0;
    return inverse;
}

FileStatus applyInverse(TagFile &file, const JournalRecord &record)
{
    switch (record.op) {
    case Op::Append:
        return file.cutTrailer();
    case Op::Cut:
        return file.writeTrailer(record.oldTail, false);
    case Op::Write:
        break;
    }
    return file.writeTrailer(record.oldTail, true);
}

bool nameTaken(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
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
    const auto last = std::find_if(records.rbegin(), records.rend(),
                                   [](const JournalRecord &r) { return r.undoes == 0 && r.undoable(); });
    return last == records.rend() ? nullptr : &*last;
}

FileStatus undoChange(SaveJournal &journal, const JournalRecord &record, bool dryRun)
{
    if (!record.undoable())
        return refusal(record, record.undoneBy ? tr("it was undone already (change %1).").arg(record.undoneBy)
                                               : tr("it changed nothing."));
    const QByteArray path = record.pathOf(record.currentName());
    TagFile file;
    FileStatus status = file.openChecked(path, record.folder, std::nullopt);
    if (!status)
        return refusal(record, status.description());
    if (const QString why = changedSince(file, record); !why.isEmpty())
        return refusal(record, why);
    const JournalRecord inverse = [&] {
        JournalRecord r = inverseOf(record);
        r.mode = file.mode();
        return r;
    }();
    if (inverse.renames() && nameTaken(record.pathOf(inverse.newName)))
        return refusal(record, tr("another file is called \"%1\" now.").arg(QString::fromUtf8(inverse.newName)));
    if (dryRun)
        return FileStatus::success();

    JournalRecord begun = inverse;
    if (status = journal.begin(begun); !status)
        return status;
    status = file.prepareToWrite();
    if (status)
        status = applyInverse(file, record);
    if (!status) {
        file.putReadOnlyBack();
        journal.leaveOpen();  // the next start checks what the failure left
        return status;
    }
    file.setMode(record.mode);  // a read-only file is read-only again
    file.close();
    if (!begun.renames()) {
        journal.finish(begun, Outcome::All);
        return status;
    }
    status = renameNoReplace(path, record.pathOf(begun.newName));
    journal.finish(begun, status ? Outcome::All : Outcome::Trailer);
    return status;
}

namespace JournalCheck {

State stateOf(const TagFile &file, const JournalRecord &record)
{
    FileIdentity identity;
    file.identity(identity);
    const qint64 length = identity.size;
    QByteArray tail;
    if (length >= Id3v1::TrailerSize)
        file.readBytes(length - Id3v1::TrailerSize, Id3v1::TrailerSize, tail);
    if (length == record.lengthAfter() && tail == record.newTail)
        return State::After;
    if (length == record.lengthBefore && tail == record.oldTail)
        return State::Before;
    if (record.op == Op::Write && length == record.lengthBefore && tail.size() == Id3v1::TrailerSize) {
        // Each byte the old one or the new one: the write over the trailer stopped part-way.
        for (qsizetype i = 0; i < tail.size(); ++i)
            if (tail[i] != record.oldTail[i] && tail[i] != record.newTail[i])
                return State::Neither;
        return State::PartWay;
    }
    if (record.op == Op::Append && length > record.lengthBefore && length <= record.lengthAfter()) {
        // The file's own end is still there, with part of the trailer (or a torn one) after it.
        QByteArray end;
        if (!record.oldTail.isEmpty())
            file.readBytes(record.lengthBefore - Id3v1::TrailerSize, Id3v1::TrailerSize, end);
        return end == record.oldTail ? State::PartWay : State::Neither;
    }
    return State::Neither;
}

bool isRecordedFile(const QByteArray &path, const JournalRecord &record)
{
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && quint64(st.st_dev) == record.device
        && quint64(st.st_ino) == record.inode;
}

}  // namespace JournalCheck
