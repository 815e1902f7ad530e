#include "cli/SetCommand.h"

#include "tags/codepage/CodePage.h"
#include "cli/FieldText.h"
#include "tags/id3v1/GenreList.h"
#include "tags/jobs/TextFields.h"
#include "tags/journal/JournalBatch.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/TagCore.h"
#include "tags/text/TextEscape.h"
#include "tags/id3v2/Id3v2Fill.h"
#include "tags/id3v1/TrackKeeping.h"

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

void FieldChanges::applyTo(Id3v1::Fields &fields) const
{
    for (const TagFieldInfo &field : textFields())
        if (const std::optional<QByteArray> &text = texts[size_t(field.field)])
            fields.*field.bytes = *text;
    if (genre)
        fields.genre = *genre;
}

quint32 FieldChanges::fields() const
{
    quint32 bits = genre ? id3v2Bit(TagField::Genre) : 0;
    for (const TagFieldInfo &field : textFields())
        if (texts[size_t(field.field)])
            bits |= id3v2Bit(field.field);
    // A comment that needs the track number's bytes clears the number.
    if (texts[size_t(TagField::Comment)])
        bits |= id3v2Bit(TagField::Track);
    return bits;
}

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

// What a file's fields are before a set: an untagged file starts from empty fields and no genre.
Id3v1::Fields startFields(const QByteArray &trailer)
{
    return Id3v1::hasMarker(trailer) ? Id3v1::parse(trailer) : Id3v1::Fields{{}, {}, {}, {}, {}, Id3v1::NoGenre};
}

// The options given applied to fields of the file whose last 128 bytes are trailer: a track
// number there is kept beside a comment that fits.
TrackKeeping withChanges(Id3v1::Fields fields, const QByteArray &trailer, const FieldChanges &changes)
{
    changes.applyTo(fields);
    return keepTrackNumber(fields, trailer);
}

enum class V2Fill { Filled, NoTag, Failed };

V2Fill fillFromV2(const FileTarget &target, const TagReading &reading, const CodePage &page, Console &console,
                  Id3v1::Fields &fields)
{
    if (!reading.id3v2Version) {
        console.fileNote(target.path, QStringLiteral("no ID3v2 tag to fill from"));
        return V2Fill::NoTag;
    }
    const Id3v2Reading v2 = Id3v2::readFile(target.path);
    if (!v2.status || !v2.present || !v2.problem.isEmpty()) {
        console.fileFailed(target.path, !v2.status ? v2.status.description()
                                        : v2.problem.isEmpty() ? QStringLiteral("the ID3v2 tag has gone") : v2.problem);
        return V2Fill::Failed;
    }
    // A track number keeps its two bytes: the comment is cut to 28.
    const int commentWidth = reading.track() ? Id3v1::CommentBesideTrackWidth : Id3v1::CommentWidth;
    const Id3v2Fill fill = fillFromId3v2(fields, v2.values, page, commentWidth);
    fields = fill.fields;
    if (!fill.cut.empty()) {
        QStringList names;
        for (TagField field : fill.cut)
            names += QLatin1String(fieldName(field));
        console.fileNote(target.path, QStringLiteral("not stored whole from the ID3v2 tag (too long, a character the "
                                                     "code page lacks, or a genre not in the table): %1")
                                          .arg(names.join(QStringLiteral(", "))));
    }
    return V2Fill::Filled;
}

// The fields a set gives one file; false when the file is to be left as it is.
bool plannedFields(const FileTarget &target, const TagReading &reading, const SetRequest &request,
                   const CodePage &page, Console &console, Id3v1::Fields &fields)
{
    fields = startFields(reading.trailer);
    if (request.fromV2) {
        const V2Fill filled = fillFromV2(target, reading, page, console, fields);
        if (filled == V2Fill::Failed || (filled == V2Fill::NoTag && !request.changes.any()))
            return false;
    }
    const TrackKeeping kept = withChanges(fields, reading.trailer, request.changes);
    if (kept.trackGivenUp)
        console.fileNote(target.path, QStringLiteral("the new comment needs more than 28 bytes: track number %1 "
                                                     "gives way").arg(kept.track));
    fields = kept.fields;
    return !(reading.tagged && Id3v1::build(fields) == reading.trailer);
}

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
        Id3v1::Fields fields;
        if (!plannedFields(target, reading, request, page, console, fields))
            return;  // already so, or nothing to fill from: the file is left untouched
        if (request.dryRun) {
            out.buffer() += changeLine(target.path, startFields(reading.trailer), fields, printer);
            out.written();
            return;
        }
        TagSave save;
        save.path = target.path;
        save.fields = fields;
        save.expected = reading.identity;
        save.expectedTrailer = reading.trailer;
        save.modeRead = reading.mode;
        // Another process that saved the file since it was read keeps its change: the options
        // given are applied to the tag as it is now. A fill from ID3v2 is not made twice.
        if (!request.fromV2)
            save.replan = [&request](const QByteArray &trailerNow, Id3v1::Fields &planned) {
                planned = withChanges(startFields(trailerNow), trailerNow, request.changes).fields;
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
        const qint64 batchBefore = request.journal ? request.journal->lastBatch() : 0;
        const std::vector<TagSaveResult> results = saveTagFiles(saves, options);
        // set is Values for Every File from the shell: its batch carries that name.
        if (request.journal && request.journal->lastBatch() != batchBefore)
            nameBatch(*request.journal, request.journal->lastBatch(), QString::fromLatin1(ValuesJobTitle));
        for (size_t i = 0; i < results.size(); ++i)
            if (!results[i].status)
                console.fileFailed(saves[i].path, results[i].status.description());
    }
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
