#include "cli/SetCommand.h"

#include "tags/CodePage.h"
#include "cli/FieldText.h"
#include "tags/GenreList.h"
#include "tags/TagCore.h"

namespace {

constexpr quint8 NoGenre = 255;

struct TextOption {
    const char *name;
    int width;
    std::optional<QByteArray> FieldChanges::*field;
};

const TextOption textOptions[] = {
    {"--title", Id3v1::TitleWidth, &FieldChanges::title},
    {"--artist", Id3v1::ArtistWidth, &FieldChanges::artist},
    {"--album", Id3v1::AlbumWidth, &FieldChanges::album},
    {"--year", Id3v1::YearWidth, &FieldChanges::year},
    {"--comment", Id3v1::CommentWidth, &FieldChanges::comment},
};

bool parseGenre(const QByteArray &value, std::optional<quint8> &genre, QString &problem)
{
    const QString text = QString::fromLocal8Bit(value);
    if (text.isEmpty()) {
        genre = NoGenre;
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
    if (title)
        fields.title = *title;
    if (artist)
        fields.artist = *artist;
    if (album)
        fields.album = *album;
    if (year)
        fields.year = *year;
    if (comment)
        fields.comment = *comment;
    if (genre)
        fields.genre = *genre;
}

bool parseFieldChanges(const CommandLine &line, const CodePage &page, FieldChanges &changes, QString &problem)
{
    for (const TextOption &option : textOptions) {
        const std::optional<QByteArray> value = line.value(option.name);
        if (!value)
            continue;
        QByteArray bytes;
        if (!FieldText::unescapeField(*value, page, bytes, problem)) {
            problem = QLatin1String(option.name) + QStringLiteral(": ") + problem;
            return false;
        }
        if (bytes.size() > option.width) {
            problem = QStringLiteral("%1: \"%2\" takes %3 bytes in code page %4; the field holds %5")
                          .arg(QLatin1String(option.name), QString::fromLocal8Bit(*value))
                          .arg(bytes.size())
                          .arg(page.number())
                          .arg(option.width);
            return false;
        }
        changes.*option.field = bytes;
    }
    if (const std::optional<QByteArray> genre = line.value("--genre"))
        return parseGenre(*genre, changes.genre, problem);
    return true;
}

int setTags(const std::vector<FileTarget> &targets, const FieldChanges &changes, SaveJournal *journal,
            bool keepTimes, Console &console)
{
    forEachReadTarget(targets, "set", console, [&](const FileTarget &target, const TagReading &reading) {
        Id3v1::Fields fields = reading.fields;
        if (!reading.tagged)
            fields = Id3v1::Fields{{}, {}, {}, {}, {}, NoGenre};
        changes.applyTo(fields);
        if (reading.tagged && Id3v1::build(fields) == reading.trailer)
            return;  // already so: the file is left untouched
        TagSave save;
        save.path = target.path;
        save.fields = fields;
        save.expected = reading.identity;
        save.folder = target.folder;
        save.journal = journal;
        save.keepTimes = keepTimes;
        const TagSaveResult result = saveTagFile(save);
        if (!result.status)
            console.fileFailed(target.path, result.status.description());
    });
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
