#include "tags/jobs/ImportJob.h"

#include "tags/files/PatternListing.h"
#include "tags/id3v1/GenreList.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/TextFields.h"
#include "tags/text/TextEscape.h"

#include <QHash>
#include <algorithm>
#include <QSet>

#include <memory>

#include <sys/stat.h>

namespace {

// Why path (raw bytes) is not a plain path to an MP3 file below folder; empty when it is.
QString pathProblem(const QByteArray &path, const QByteArray &folder)
{
    if (path.isEmpty())
        return QStringLiteral("no file named");
    if (path.startsWith('/'))
        return QStringLiteral("the path is not below the folder");
    const QList<QByteArray> parts = path.split('/');
    QByteArray walked = folderPrefix(folder);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray &part = parts[i];
        if (part.isEmpty() || part == "." || part == ".." || part.startsWith('.') || part.contains('\0'))
            return QStringLiteral("the path is not a plain path below the folder (an empty, hidden or \"..\" part)");
        walked += part;
        if (i + 1 < parts.size()) {
            struct stat st;
            if (::lstat(walked.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
                return QStringLiteral("\"%1\" is not a folder below the folder (links are not followed)")
                    .arg(TextEscape::shown(part));
            walked += '/';
        }
    }
    if (!matchesFilePattern(parts.last(), mp3Pattern()))
        return QStringLiteral("not an MP3 file (the name does not end in \".mp3\")");
    return {};
}

std::optional<int> trackOf(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0;
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < 1 || number > Id3v1::MaxTrack)
        return std::nullopt;
    return number;
}

std::optional<quint8> genreOf(const QString &text, const QStringList &genres)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return quint8(Id3v1::NoGenre);
    bool isNumber = false;
    const uint number = trimmed.toUInt(&isNumber);
    if (isNumber)
        return number <= 255 ? std::optional<quint8>(quint8(number)) : std::nullopt;
    for (qsizetype i = 0; i < genres.size(); ++i) {
        if (genres.at(i).compare(trimmed, Qt::CaseInsensitive) == 0)
            return quint8(i);
    }
    return std::nullopt;
}

// A field's text as a name or a list shows it: up to its first NUL, without trailing spaces.
QString textAsRead(const TagReading &reading, TagField field, const CodePage &page)
{
    if (!reading.tagged)
        return {};
    QByteArray bytes = field == TagField::Comment ? storedComment(reading) : reading.fields.*tagField(field).bytes;
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    return page.decode(bytes.left(Id3v1::trimmedLength(bytes.constData(), int(bytes.size()))));
}

}  // namespace

QStringList tableValues(const TagReading &reading, const CodePage &page, const QStringList &genres)
{
    QStringList values;
    for (TagField field : tableFields()) {
        if (isTextField(field)) {
            values += textAsRead(reading, field, page);
        } else if (field == TagField::Track) {
            values += reading.track() ? QString::number(reading.track()) : QString();
        } else {
            const int genre = reading.fields.genre;
            const QString name = Genres::nameOf(genres, genre);
            values += !reading.tagged || genre == Id3v1::NoGenre ? QString()
                      : name.isEmpty()                           ? QString::number(genre)
                                                                 : name;
        }
    }
    return values;
}

ImportFiles importFiles(const TagTable &table, const QByteArray &folder)
{
    ImportFiles found;
    QSet<QByteArray> seen;
    const QByteArray prefix = folderPrefix(folder);
    for (const TableRow &row : table.rows) {
        QByteArray path;
        QString problem = row.problem;
        if (problem.isEmpty() && !TextEscape::unescape(row.file, path, problem))
            problem = QStringLiteral("file: ") + problem;
        if (problem.isEmpty())
            problem = pathProblem(path, folder);
        if (problem.isEmpty() && seen.contains(path))
            problem = QStringLiteral("\"%1\" has a row already").arg(TextEscape::shown(path));
        if (!problem.isEmpty()) {
            found.refused.push_back({row.line, problem});
            continue;
        }
        seen.insert(path);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        found.files.push_back({prefix + path, folder, name, QString::fromUtf8(name)});
        found.rowOf.push_back(&row);
    }
    return found;
}

JobPlanner importPlanner(const ImportFiles &files, const CodePage &page)
{
    auto rowOf = std::make_shared<QHash<QByteArray, const TableRow *>>();
    for (size_t i = 0; i < files.files.size(); ++i)
        rowOf->insert(files.files[i].path, files.rowOf[i]);
    const QStringList genres = Genres::buildGenreList();
    return [rowOf, &page, genres](const JobFile &file, const TagReading &reading, FieldEdits &edits, QString &reason) {
        const TableRow *row = rowOf->value(file.path);
        if (!row) {
            reason = QStringLiteral("not in the list");
            return false;
        }
        const QStringList now = tableValues(reading, page, genres);
        for (const auto &[field, text] : row->values) {
            const auto column = std::find(tableFields().begin(), tableFields().end(), field) - tableFields().begin();
            if (text == now.at(column))
                continue;  // as the file holds it: its bytes stay
            if (isTextField(field)) {
                *editOf(edits, field) = text;
            } else if (field == TagField::Track) {
                const std::optional<int> track = trackOf(text);
                if (!track) {
                    reason = QStringLiteral("track: \"%1\" is not a number from 1 to 255").arg(text);
                    return false;
                }
                edits.track = *track;
            } else {
                const std::optional<quint8> genre = genreOf(text, genres);
                if (!genre) {
                    reason = QStringLiteral("genre: \"%1\" is neither a genre name nor a number from 0 to 255").arg(text);
                    return false;
                }
                edits.genre = *genre;
            }
        }
        return refuseControlCharacters(edits, reason);
    };
}
