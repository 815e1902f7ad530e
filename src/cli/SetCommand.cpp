#include "cli/SetCommand.h"

#include "tags/codepage/CodePage.h"
#include "cli/FieldText.h"
#include "tags/id3v1/GenreList.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/journal/JournalBatch.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagCore.h"
#include "tags/text/TextEscape.h"
#include "cli/JobCommand.h"
#include "cli/RunStop.h"

namespace {

bool parseGenre(const QByteArray &value, std::optional<quint8> &genre, QString &problem)
{
    const QString text = QString::fromLocal8Bit(value);
    if (text.isEmpty()) {
        genre = Id3v1::NoGenre;
        return true;
    }
    bool isNumber = false;
    const uint number = text.toUInt(&isNumber);
    if (isNumber && number <= 255) {
        genre = quint8(number);
        return true;
    }
    const QStringList names = Genres::buildGenreList();
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i).compare(text, Qt::CaseInsensitive) == 0) {
            genre = quint8(i);
            return true;
        }
    }
    problem = QStringLiteral("--genre: \"%1\" is neither a genre name nor a number from 0 to 255").arg(text);
    return false;
}

}  // namespace

bool parseFieldChanges(const CommandLine &line, const CodePage &page, FieldChanges &changes, QString &problem)
{
    for (const TagFieldInfo &option : textFields()) {
        const std::optional<QByteArray> value = line.value(option.option);
        if (!value)
            continue;
        QByteArray bytes;
        if (!FieldText::unescapeField(*value, page, bytes, problem)) {
            problem = QLatin1String(option.option) + QStringLiteral(": ") + problem;
            return false;
        }
        if (bytes.size() > option.width) {
            problem = QStringLiteral("%1: \"%2\" takes %3 bytes in code page %4; the field holds %5")
                          .arg(QLatin1String(option.option), QString::fromLocal8Bit(*value))
                          .arg(bytes.size())
                          .arg(page.number())
                          .arg(option.width);
            return false;
        }
        changes.texts[size_t(option.field)] = bytes;
    }
    if (const std::optional<QByteArray> genre = line.value(tagField(TagField::Genre).option))
        return parseGenre(*genre, changes.genre, problem);
    return true;
}

namespace {

// "FILE: title "old" -> "new", genre 12 -> 17" for the fields that change.
QByteArray changeLine(const QByteArray &path, const Id3v1::Fields &before, const Id3v1::Fields &after,
                      const FieldText::FieldPrinter &printer)
{
    auto printed = [&printer](const QByteArray &field) {
        QByteArray out(TextEscape::mostBytes(field.size(), false), Qt::Uninitialized);
        out.truncate(printer.write(out.data(), field) - out.constData());
        return '"' + out + '"';
    };
    QByteArrayList changes;
    for (const TagFieldInfo &field : textFields()) {
        if (before.*field.bytes != after.*field.bytes)
            changes += field.key + (' ' + printed(before.*field.bytes)) + " -> " + printed(after.*field.bytes);
    }
    if (before.genre != after.genre)
        changes += "genre " + QByteArray::number(before.genre) + " -> " + QByteArray::number(after.genre);
    return TextEscape::escaped(path) + ": " + changes.join(", ") + '\n';
}

}  // namespace

int setTags(const std::vector<FileTarget> &targets, const SetRequest &request, const CodePage &page, Output &out,
            Console &console)
{
    const FieldText::FieldPrinter printer(page, false);
    std::vector<TagSave> saves;
    forEachReadTarget(targets, "set", console, [&](const FileTarget &target, const TagReading &reading) {
        const ValuesPlan plan = planValues(target.path, reading, request.changes, request.fromV2, page);
        for (const QString &note : plan.notes)
            console.fileNote(target.path, note);
        if (!plan.failure.isEmpty())
            console.fileFailed(target.path, plan.failure);
        if (!plan.change)
            return;  // already so, or nothing to fill from: the file is left untouched
        if (request.dryRun) {
            out.buffer() += changeLine(target.path, plan.before, plan.fields, printer);
            out.written();
            return;
        }
        TagSave save = saveOverReading(target.path, reading, plan.fields);
        // Another process that saved the file since it was read keeps its change: the options
        // given are applied to the tag as it is now. A fill from ID3v2 is not made twice.
        if (!request.fromV2)
            save.replan = [&request](const QByteArray &trailerNow, Id3v1::Fields &planned) {
                planned = replanValues(trailerNow, request.changes);
                return true;
            };
        save.folder = target.folder;
        save.keepTimes = request.keepTimes;
        if (request.writeId3v2) {
            save.page = &page;
            save.id3v2Fields = request.fromV2 ? AllId3v2Fields : request.changes.fields();
        }
        saves.push_back(std::move(save));
    }, request.fromV2);
    if (!saves.empty()) {
        TagSaves options;
        options.journal = request.journal;
        RunStop::catchInterrupt();
        size_t reached = 0;
        bool stopped = false;
        options.progress = [&](size_t done) {
            reached = done;
            stopped = !RunStop::fileDone();
            return !stopped;
        };
        const qint64 batchBefore = request.journal ? request.journal->lastBatch() : 0;
        const std::vector<TagSaveResult> results = saveTagFiles(saves, options);
        // Its batch carries the job's name, as the window's does.
        if (request.journal && request.journal->lastBatch() != batchBefore)
            nameBatch(*request.journal, request.journal->lastBatch(), QString::fromLatin1(ValuesJobTitle));
        for (size_t i = 0; i < (stopped ? reached : results.size()); ++i)
            if (!results[i].status)
                console.fileFailed(saves[i].path, results[i].status.description());
        if (stopped) {
            writeToStandardError(QStringLiteral("set: %1 written%2\n").arg(reached)
                                     .arg(stoppedText(true, qsizetype(saves.size() - reached))).toUtf8());
            out.finish();
            return ExitInterrupted;
        }
    }
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
