// Putting right at start-up the changes that a crash or power cut stopped part-way.

#include "tags/JournalUndo.h"

#include "tags/SaveJournal.h"
#include "tags/TagFile.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

using JournalCheck::State;
using Outcome = JournalRecord::Outcome;

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalRecovery", text);
}

QString shown(const JournalRecord &record, const QByteArray &name)
{
    return QString::fromUtf8(record.pathOf(name));
}

// What to do with one change that has no completion mark; message receives what to tell.
class Recovery {
public:
    explicit Recovery(const JournalRecord &record) : m_record(record) {}

    Outcome run(QString &message)
    {
        const JournalRecord &r = m_record;
        const bool atOld = JournalCheck::isRecordedFile(r.pathOf(r.oldName), r);
        const bool atNew = r.renames() && JournalCheck::isRecordedFile(r.pathOf(r.newName), r);
        if (!atOld && !atNew)
            return leave(message, tr("The %1 was cut short, and the file is no longer there: nothing was changed.")
                                      .arg(describeChange(r)));
        const QByteArray name = atNew ? r.newName : r.oldName;
        if (!m_file.openChecked(r.pathOf(name), r.folder, std::nullopt))
            return leave(message, tr("The %1 was cut short, and \"%2\" cannot be opened: it was left as it is.")
                                      .arg(describeChange(r), shown(r, name)));
        const State state = JournalCheck::stateOf(m_file, r);
        if (atOld && atNew)
            return finishRename(state, message);
        if (state == State::After)
            return atNew || !r.renames() ? Outcome::All : Outcome::Trailer;
        if (state == State::Before && !atNew)
            return keepBefore(message);
        if (state == State::PartWay && !atNew)
            return putBack(message);
        return leave(message, tr("The %1 was cut short, and \"%2\" is neither as it was before nor as it was "
                                 "to be: it was left as it is.")
                                  .arg(describeChange(r), shown(r, name)));
    }

private:
    Outcome leave(QString &message, const QString &text)
    {
        message = text;
        return Outcome::Left;
    }

    // Stopped between the new name's link and the old one's removal: the trailer came first.
    Outcome finishRename(State state, QString &message)
    {
        const JournalRecord &r = m_record;
        if (state != State::After || ::unlink(r.pathOf(r.oldName).constData()) != 0)
            return leave(message, tr("The %1 was cut short while renaming: the file is both \"%2\" and \"%3\", "
                                     "and was left so.")
                                      .arg(describeChange(r), shown(r, r.oldName), shown(r, r.newName)));
        message = tr("The %1 was cut short while renaming; the rename to \"%2\" was completed.")
                      .arg(describeChange(m_record), shown(r, r.newName));
        return Outcome::All;
    }

    // Nothing was written; a read-only bit taken away for the save is given back.
    Outcome keepBefore(QString &message)
    {
        if (m_file.mode() != m_record.mode && m_file.setMode(m_record.mode))
            message = tr("The %1 was cut short before it changed the file; its permissions were put back.")
                          .arg(describeChange(m_record));
        return Outcome::Nothing;
    }

    Outcome putBack(QString &message)
    {
        const JournalRecord &r = m_record;
        FileStatus status = m_file.prepareToWrite();
        if (status)
            status = r.op == JournalRecord::Op::Write ? m_file.writeTrailer(r.oldTail, true) : m_file.cutTo(r.lengthBefore);
        if (status)
            status = m_file.setMode(r.mode);
        if (!status)
            return leave(message, tr("The %1 was cut short part-way, and putting the file back failed (%2): "
                                     "\"%3\" may be damaged.")
                                      .arg(describeChange(r), status.description(), shown(r, r.oldName)));
        message = tr("The %1 was cut short part-way; \"%2\" was put back as it was before.")
                      .arg(describeChange(r), shown(r, r.oldName));
        return Outcome::Nothing;
    }

    const JournalRecord &m_record;
    TagFile m_file;
};

}  // namespace

QStringList recoverInterruptedSaves(SaveJournal &journal)
{
    QStringList messages;
    if (!journal.holdQuiet())
        return messages;  // no journal yet
    const std::vector<JournalRecord> records = journal.records();
    for (const JournalRecord &record : records) {
        if (record.outcome != Outcome::Open)
            continue;
        QString message;
        const Outcome outcome = Recovery(record).run(message);
        if (const FileStatus marked = journal.mark(record.id, outcome); !marked)
            message += (message.isEmpty() ? QString() : QStringLiteral(" ")) + marked.description();
        if (!message.isEmpty())
            messages << message;
    }
    if (records.size() > size_t(journal.limit()))
        journal.trim();
    journal.releaseQuiet();
    return messages;
}
