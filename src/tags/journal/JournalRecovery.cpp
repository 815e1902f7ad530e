// Putting right at start-up the changes that a crash or power cut stopped part-way.

#include "tags/journal/JournalRecovery.h"
#include "tags/journal/JournalUndo.h"

#include "tags/journal/JournalSteps.h"
#include "tags/journal/ProvenFile.h"
#include "tags/journal/SaveJournal.h"

#include <QCoreApplication>

#include <cstring>

namespace {

using State = JournalRecord::State;
using Where = ProvenFile::Where;
using Tail = ProvenFile::Tail;

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalRecovery", text);
}

QString shown(const JournalRecord &record, const QByteArray &name)
{
    return QString::fromUtf8(record.pathOf(name));
}

// A save that has no end written down: put back as before when it stopped part-way, written down
// as it is when the file is whole.
State recoverSave(const JournalRecord &r, QString &message)
{
    const auto leave = [&](const QString &text) {
        message = text;
        return State::Left;
    };
    if (const QByteArray problem = ProvenCheck::problemOf(r); !problem.isEmpty())
        return leave(tr("The %1 was cut short, and its record is refused (%2): nothing was done.")
                         .arg(describeChange(r), QString::fromUtf8(problem)));
    ProvenFile file;
    Where where = Where::Neither;
    if (const int code = file.locate(r, where); code != 0)
        return leave(tr("The %1 was cut short, and its folder \"%2\" cannot be opened (%3): nothing was done.")
                         .arg(describeChange(r), QString::fromUtf8(r.folder), QString::fromLocal8Bit(std::strerror(code))));
    if (where == Where::Neither)
        return leave(tr("The %1 was cut short, and the file is no longer there: nothing was changed.").arg(describeChange(r)));
    const QByteArray name = where == Where::New ? r.newName : r.oldName;
    if (file.open(name) != 0)
        return leave(tr("The %1 was cut short, and \"%2\" cannot be opened: it was left as it is.")
                         .arg(describeChange(r), shown(r, name)));
    Tail tail = file.tailState(r);
    // A change that leaves the end as it was (a rename writes the trailer the file has) tells its
    // steps only by the record: begun and no further, the file was never reached.
    if (tail == Tail::After && where == Where::Old && r.state == State::Begun && r.lengthAfter() == r.lengthBefore
        && r.newTail == r.oldTail && r.oldHead == r.newHead)
        tail = Tail::Before;
    if (where == Where::Both) {
        // Stopped between the new name's link and the old one's removal: the trailer came first.
        if (tail != Tail::After || file.unlinkSecondName(r.oldName) != 0)
            return leave(tr("The %1 was cut short while renaming: the file is both \"%2\" and \"%3\", and was left so.")
                             .arg(describeChange(r), shown(r, r.oldName), shown(r, r.newName)));
        message = tr("The %1 was cut short while renaming; the rename to \"%2\" was completed.")
                      .arg(describeChange(r), shown(r, r.newName));
        return State::Done;
    }
    // A batch renames its files once every trailer is on disk: one that had come that far is
    // given the name it was to have, as the command asked.
    if (tail == Tail::After && where == Where::Old && r.renames() && r.state == State::Bytes) {
        if (file.rename(r.oldName, r.newName) != 0)
            return State::KeptName;
        message = tr("The %1 was cut short before renaming; the rename to \"%2\" was completed.")
                      .arg(describeChange(r), shown(r, r.newName));
        return State::Done;
    }
    if (tail == Tail::After && r.rewrites())
        file.removeLeftover(r);  // the old file, should the cut come between the exchange and its removal
    if (tail == Tail::After)
        return where == Where::New || !r.renames() ? State::Done : State::KeptName;
    if (where == Where::Old && (tail == Tail::Before || tail == Tail::PartWay)) {
        // A file written anew and never renamed over the old one is removed.
        int code = r.rewrites() ? file.removeLeftover(r) : 0;
        if (tail == Tail::PartWay) {
            code = file.makeWritable();
            if (code == 0)
                code = file.writeEnd(r, false);
        }
        const bool modeBack = file.mode() != r.mode;
        if (code == 0)
            code = file.setMode(r.mode);
        if (code != 0)
            return leave(tr("The %1 was cut short part-way, and putting the file back failed (%2): \"%3\" may be damaged.")
                             .arg(describeChange(r), QString::fromLocal8Bit(std::strerror(code)), shown(r, r.oldName)));
        if (tail == Tail::PartWay)
            message = tr("The %1 was cut short part-way; \"%2\" was put back as it was before.").arg(describeChange(r), shown(r, r.oldName));
        else if (modeBack)
            message = tr("The %1 was cut short before it changed the file; its permissions were put back.").arg(describeChange(r));
        return State::Nothing;
    }
    return leave(tr("The %1 was cut short, and \"%2\" is neither as it was before nor as it was to be: it was left as it is.")
                     .arg(describeChange(r), shown(r, name)));
}

}  // namespace

QStringList recoverInterruptedSaves(SaveJournal &journal)
{
    QStringList messages;
    // A journal that cannot be opened is said so by the first save it refuses, and by history.
    if (!journal.openExisting())
        return messages;
    messages << journal.takeMessages();
    FileStatus problem = FileStatus::success();
    if (journal.unfinished(&problem).empty()) {
        if (problem)
            journal.trim();
        else
            messages << problem.description();
        return messages;
    }
    // Another process at work holds the lock shared: its changes are not cut short. Left to a
    // later start.
    if (!journal.tryHoldQuiet())
        return messages;
    for (JournalRecord record : journal.unfinished()) {
        QString message;
        FileStatus marked = FileStatus::success();
        if (record.undoes) {
            const FileStatus status = JournalSteps::carryForward(journal, record);
            if (status && record.state == State::Done)
                message = tr("The %1 was cut short; it was finished.").arg(describeChange(record));
            else
                message = status.description();
            if (status.code() == EBADMSG || status.code() == ESTALE)
                marked = journal.step(record, State::Left);  // a refused record is never tried again
        } else {
            const State state = recoverSave(record, message);
            marked = journal.step(record, state);
        }
        if (!marked)
            message += (message.isEmpty() ? QString() : QStringLiteral(" ")) + marked.description();
        // Said once: an undo that cannot be finished yet keeps its state, and its message.
        if (!message.isEmpty() && message.toUtf8() != record.note) {
            messages << message;
            journal.setNote(record.id, message.toUtf8());
        }
    }
    journal.trim();
    journal.releaseQuiet();
    return messages;
}
