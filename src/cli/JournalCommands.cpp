#include "cli/JournalCommands.h"

#include "cli/CommandLine.h"
#include "tags/text/TextEscape.h"
#include "tags/journal/JournalText.h"
#include "tags/journal/JournalRecovery.h"
#include "tags/journal/JournalBatch.h"
#include "tags/journal/JournalUndo.h"
#include "tags/journal/SaveJournal.h"

#include <cstdlib>

namespace {


QByteArray jsonText(QByteArrayView bytes)
{
    QByteArray text(TextEscape::mostBytes(bytes.size(), true), Qt::Uninitialized);
    text.truncate(TextEscape::write(text.data(), bytes, TextEscape::Json) - text.constData());
    return '"' + text + '"';
}

QByteArray realFolder(const QByteArray &folder)
{
    char *real = ::realpath(folder.constData(), nullptr);
    if (!real)
        return folder;
    const QByteArray result(real);
    std::free(real);
    return result;
}

QByteArray timeText(qint64 ms)
{
    return JournalText::localTime(ms).toString(Qt::ISODate).toUtf8();
}

void appendRow(QByteArray &b, const JournalRecord &r, bool json, bool first)
{
    const QByteArray when = timeText(r.whenMs);
    const QByteArray numbers[] = {QByteArray::number(r.id), QByteArray::number(r.batch),
                                  r.undoes ? QByteArray::number(r.undoes) : QByteArray(),
                                  r.undoneBy ? QByteArray::number(r.undoneBy) : QByteArray()};
    if (!json) {
        b += numbers[0] + '\t' + when + '\t' + numbers[1] + '\t' + numbers[2] + '\t'
            + JournalFormat::stateName(r.state) + '\t' + numbers[3] + '\t';
        for (const QByteArray *name : {&r.folder, &r.oldName, &r.newName}) {
            TextEscape::append(b, *name);
            b += '\t';
        }
        b += JournalText::changedFields(r).join(',') + '\n';
        return;
    }
    const auto numberOrNull = [](const QByteArray &n) { return n.isEmpty() ? QByteArray("null") : n; };
    b += first ? "{" : ",\n{";
    b += "\"id\":" + numbers[0] + ",\"time\":\"" + when + "\",\"batch\":" + numbers[1]
        + ",\"undoes\":" + numberOrNull(numbers[2]) + ",\"state\":\"" + JournalFormat::stateName(r.state)
        + "\",\"undone_by\":" + numberOrNull(numbers[3]) + ",\"folder\":" + jsonText(r.folder)
        + ",\"old_name\":" + jsonText(r.oldName) + ",\"new_name\":" + jsonText(r.newName)
        + ",\"changed\":\"" + JournalText::changedFields(r).join(',') + "\"}";
}

// The changes an undo request names, newest first; empty with problem set when there are none.
std::vector<JournalRecord> chosenChanges(SaveJournal &journal, const UndoRequest &request, QString &problem)
{
    std::vector<JournalRecord> chosen;
    FileStatus read = FileStatus::success();
    if (request.id) {
        if (const std::optional<JournalRecord> r = journal.record(*request.id, &read))
            chosen.push_back(*r);
        else
            problem = read ? QStringLiteral("the journal holds no change %1").arg(*request.id) : read.description();
        return chosen;
    }
    // The last save (not an undo) that can still be undone, or the whole command it was part of.
    const std::optional<JournalRecord> last = journal.lastUndoable();
    if (!last) {
        const std::vector<JournalRecord> none = journal.records({}, 1, &read);
        problem = read ? QStringLiteral("there is no save left to undo") : read.description();
        return chosen;
    }
    if (!request.batch)
        return {*last};
    return lastUndoableBatch(journal).saves;
}

}  // namespace

void recoverAtStart(SaveJournal &journal)
{
    for (const QString &message : recoverInterruptedSaves(journal))
        writeToStandardError("velmora-cli: " + message.toUtf8() + '\n');
}

int showHistory(SaveJournal &journal, const HistoryRequest &request, Output &out, Console &console)
{
    const QByteArray folder = request.folder.isEmpty() ? QByteArray() : realFolder(request.folder);
    FileStatus read = FileStatus::success();
    const std::vector<JournalRecord> records = journal.records(folder, request.limit, &read);
    if (!read) {
        console.fileFailed(journal.filePath(), read.description());
        return ExitSomeFailed;
    }
    QByteArray &b = out.buffer();
    b += request.json ? "[\n" : "id\ttime\tbatch\tundoes\tstate\tundone_by\tfolder\told_name\tnew_name\tchanged\n";
    bool first = true;
    for (const JournalRecord &r : records) {
        appendRow(b, r, request.json, first);
        first = false;
        out.written();
    }
    if (request.json)
        b += first ? "]\n" : "\n]\n";
    if (const FileStatus written = out.finish(); !written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}

int undoChanges(SaveJournal &journal, const UndoRequest &request, Output &out, Console &console)
{
    QString problem;
    const std::vector<JournalRecord> chosen = chosenChanges(journal, request, problem);
    if (chosen.empty()) {
        console.fileFailed("undo", problem);
        return ExitSomeFailed;
    }
    const BatchUndo outcome = undoSaves(journal, chosen, request.dryRun, [&](const JournalRecord &r, const FileStatus &status) {
        if (!status) {
            console.fileFailed(r.pathOf(r.currentName()), status.description());
            return;
        }
        QByteArray &b = out.buffer();
        b += QByteArray::number(r.id) + '\t';
        TextEscape::append(b, r.pathOf(r.currentName()));
        b += " -> ";
        TextEscape::append(b, r.pathOf(r.oldName));
        b += '\n';
        out.finish();
    });
    if (outcome.refused && !request.dryRun)
        console.fileFailed("undo", QStringLiteral("nothing was undone: %1 of %2 files refused")
                                       .arg(outcome.refused)
                                       .arg(chosen.size()));
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
