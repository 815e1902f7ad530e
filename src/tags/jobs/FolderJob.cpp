#include "tags/jobs/FolderJob.h"

#include "tags/codepage/CodePage.h"
#include "tags/files/PatternListing.h"
#include "tags/jobs/TextFields.h"
#include "tags/text/TextEscape.h"

#include <QSet>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The longest start of bytes of at most width bytes that ends between two characters of page.
QByteArray cutToCharacters(const QByteArray &bytes, int width, const CodePage &page)
{
    const QString text = page.decode(bytes);
    int used = 0;
    qsizetype kept = 0;
    while (kept < text.size() && used + page.byteWidth(text[kept]) <= width)
        used += page.byteWidth(text[kept++]);
    return page.encode(QStringView(text).left(kept));
}

// cut: set when the value may be cut to fit, and then told whether it was.
bool encodeField(const CodePage &page, const char *name, const QString &text, int width, QByteArray &bytes,
                 QString &reason, bool *cut = nullptr)
{
    if (!page.canEncode(text)) {
        reason = QStringLiteral("%1: cannot be stored in the chosen code page (%2)").arg(QLatin1String(name)).arg(page.number());
        return false;
    }
    bytes = page.encode(text);
    if (cut) {
        *cut = bytes.size() > width;
        if (*cut)
            bytes = cutToCharacters(bytes, width, page);
    }
    if (bytes.size() > width) {
        reason = QStringLiteral("%1: would be cut to fit the field's bytes (%2 of %3)")
                     .arg(QLatin1String(name)).arg(bytes.size()).arg(width);
        return false;
    }
    return true;
}

// What the folders will hold after the renames let pass so far.
class ExpectedNames {
public:
    // Whether to would be held by another file than from when from is renamed.
    bool isTaken(const QByteArray &to, const QByteArray &from) const
    {
        if (m_taken.contains(to))
            return true;
        if (m_freed.contains(to))
            return false;
        struct stat target, source;
        if (::lstat(to.constData(), &target) != 0)
            return false;
        // A change of letter case on a file system that ignores it finds the file itself.
        return ::lstat(from.constData(), &source) != 0 || target.st_dev != source.st_dev ||
               target.st_ino != source.st_ino;
    }

    void move(const QByteArray &from, const QByteArray &to)
    {
        m_taken.remove(from);
        m_freed.insert(from);
        m_freed.remove(to);
        m_taken.insert(to);
    }

private:
    QSet<QByteArray> m_taken, m_freed;
};


void settleNewNames(std::vector<JobRow> &rows)
{
    ExpectedNames expected;
    for (JobRow &row : rows) {
        if (row.newName.isEmpty() || row.state != JobState::WillChange)
            continue;
        const QByteArray newPath = newPathOf(row);
        if (!expected.isTaken(newPath, row.file.path)) {
            expected.move(row.file.path, newPath);
            continue;
        }
        const QString reason = QStringLiteral("not renamed to \"%1\": %2")
                                   .arg(TextEscape::shown(row.newName), FileStatus::fromErrno(EEXIST).description());
        row = skippedRow(std::move(row), reason);
    }
}

}  // namespace

QByteArray newPathOf(const JobRow &row)
{
    return row.file.path.left(row.file.path.size() - row.file.name.size()) + row.newName;
}

JobRow skippedRow(JobRow row, const QString &reason)
{
    row.state = JobState::Skipped;
    row.reason = reason;
    row.after = row.before;
    row.trackAfter = row.trackBefore;
    row.newName.clear();
    row.cut.clear();
    return row;
}

QByteArray storedComment(const TagReading &reading)
{
    if (!reading.track())
        return reading.fields.comment;
    const QByteArray text = reading.trailer.mid(Id3v1::CommentOffset, Id3v1::CommentBesideTrackWidth);
    return text.left(Id3v1::trimmedLength(text.constData(), int(text.size())));
}

bool fitsBesideTrack(const QByteArray &comment)
{
    for (qsizetype i = Id3v1::CommentBesideTrackWidth; i < comment.size(); ++i) {
        if (comment[i] != ' ' && comment[i] != '\0')
            return false;
    }
    return true;
}

std::vector<JobFile> listJobFiles(const QByteArray &folder, FileStatus &status)
{
    std::vector<ListedFile> listed;
    status = listFolderFiles(folder, mp3Pattern(), listed);
    const QByteArray prefix = folderPrefix(folder);
    std::vector<JobFile> files;
    files.reserve(listed.size());
    for (ListedFile &file : listed)
        files.push_back({prefix + file.name, folder, file.name, file.display});
    return files;
}

JobRow planJobRow(const JobFile &file, const TagReading &reading, const FieldEdits &edits, const CodePage &page)
{
    JobRow row;
    row.file = file;
    row.reading = reading;
    row.edits = edits;
    row.before = reading.tagged ? reading.fields : Id3v1::Fields{{}, {}, {}, {}, {}, Id3v1::NoGenre};
    row.trackBefore = reading.track();
    if (!reading.status)
        return skippedRow(row, reading.status.description());

    Id3v1::Fields fields = row.before;
    QString reason;
    for (const TagFieldInfo &field : textFields()) {
        if (field.field == TagField::Comment)
            continue;  // below, with the track number beside it
        const std::optional<QString> &text = *editOf(edits, field.field);
        bool cut = false;
        if (text && !encodeField(page, field.key, *text, field.width, fields.*field.bytes, reason,
                                 edits.cutToFit ? &cut : nullptr))
            return skippedRow(row, reason);
        if (cut)
            row.cut.push_back(field.field);
    }
    if (!row.cut.empty()) {
        QStringList names;
        for (const TagField field : row.cut)
            names += QLatin1String(fieldName(field));
        row.reason = QStringLiteral("will be cut to fit: ") + names.join(QStringLiteral(", "));
    }
    if (edits.genre)
        fields.genre = *edits.genre;

    if (edits.comment || edits.track) {
        const int track = edits.track ? *edits.track : row.trackBefore;
        QByteArray comment = storedComment(reading);
        if (edits.comment && !encodeField(page, "comment", *edits.comment, Id3v1::CommentWidth, comment, reason))
            return skippedRow(row, reason);
        const bool cleared = track == 0 && row.trackBefore != 0;
        if (track || (cleared && !edits.freeCommentBytes)) {
            // ID3v1.1: the comment keeps 28 bytes, byte 28 is 0 and byte 29 the number (0: none).
            if (!fitsBesideTrack(comment)) {
                if (!edits.cutComment)
                    return skippedRow(row, QStringLiteral("comment: takes %1 bytes, and beside a track number it holds 28")
                                            .arg(comment.size()));
                comment = cutToCharacters(comment, Id3v1::CommentBesideTrackWidth, page);
                row.reason = QStringLiteral("comment will be cut to 28 bytes");
            }
            comment = comment.left(Id3v1::CommentBesideTrackWidth).leftJustified(Id3v1::CommentBesideTrackWidth, ' ')
                      + '\0' + char(quint8(track));
        }
        fields.comment = comment;
        row.trackAfter = track;
    } else {
        row.trackAfter = row.trackBefore;
    }
    if (edits.newName && *edits.newName != file.name) {
        if (const QString problem = newNameProblem(*edits.newName); !problem.isEmpty())
            return skippedRow(row, problem);
        row.newName = *edits.newName;
    }
    row.after = fields;
    const bool sameTrailer = reading.tagged ? Id3v1::build(fields) == reading.trailer : !edits.anyField();
    row.state = sameTrailer && row.newName.isEmpty() ? JobState::Unchanged : JobState::WillChange;
    return row;
}

std::vector<JobRow> previewJob(const std::vector<JobFile> &files, const JobPlanner &planner, const CodePage &page)
{
    return planFromReadings(files, readJobFiles(files), planner, page);
}

std::vector<TagReading> readJobFiles(const std::vector<JobFile> &files)
{
    std::vector<TagReading> readings;
    readings.reserve(files.size());
    for (const JobFile &file : files)
        readings.push_back(readTagFile(file.path));
    return readings;
}

std::vector<JobRow> planFromReadings(const std::vector<JobFile> &files, const std::vector<TagReading> &readings,
                                     const JobPlanner &planner, const CodePage &page)
{
    std::vector<JobRow> rows;
    rows.reserve(files.size());
    for (size_t i = 0; i < files.size() && i < readings.size(); ++i) {
        const JobFile &file = files[i];
        const TagReading &reading = readings[i];
        FieldEdits edits;
        QString reason;
        if (reading.status && !planner(file, reading, edits, reason)) {
            JobRow row = planJobRow(file, reading, {}, page);
            rows.push_back(skippedRow(std::move(row), reason));
        } else {
            rows.push_back(planJobRow(file, reading, edits, page));
        }
    }
    settleNewNames(rows);
    return rows;
}

const char *jobStateName(JobState state)
{
    switch (state) {
    case JobState::WillChange: return "will change";
    case JobState::Unchanged: return "unchanged";
    case JobState::Skipped: return "skipped";
    }
    return "";
}
