#include "tags/jobs/FolderJob.h"

#include "tags/codepage/CodePage.h"
#include "tags/files/PatternListing.h"
#include "tags/journal/SaveJournal.h"

namespace {

constexpr quint8 NoGenre = 255;
constexpr int CommentBesideTrack = Id3v1::TrackMarkerOffset - Id3v1::CommentOffset;  // 28

struct TextField {
    const char *name;
    int width;
    std::optional<QString> FieldEdits::*edit;
    QByteArray Id3v1::Fields::*bytes;
};

const TextField textFields[] = {
    {"title", Id3v1::TitleWidth, &FieldEdits::title, &Id3v1::Fields::title},
    {"artist", Id3v1::ArtistWidth, &FieldEdits::artist, &Id3v1::Fields::artist},
    {"album", Id3v1::AlbumWidth, &FieldEdits::album, &Id3v1::Fields::album},
    {"year", Id3v1::YearWidth, &FieldEdits::year, &Id3v1::Fields::year},
};

bool encodeField(const CodePage &page, const char *name, const QString &text, int width, QByteArray &bytes,
                 QString &reason)
{
    if (!page.canEncode(text)) {
        reason = QStringLiteral("%1: cannot be stored in the chosen code page (%2)").arg(QLatin1String(name)).arg(page.number());
        return false;
    }
    bytes = page.encode(text);
    if (bytes.size() > width) {
        reason = QStringLiteral("%1: would be cut to fit the field's bytes (%2 of %3)")
                     .arg(QLatin1String(name)).arg(bytes.size()).arg(width);
        return false;
    }
    return true;
}

JobRow skipped(JobRow row, const QString &reason)
{
    row.state = JobState::Skipped;
    row.reason = reason;
    row.after = row.before;
    row.trackAfter = row.trackBefore;
    return row;
}

}  // namespace

QByteArray storedComment(const TagReading &reading)
{
    if (!reading.track())
        return reading.fields.comment;
    const QByteArray text = reading.trailer.mid(Id3v1::CommentOffset, CommentBesideTrack);
    return text.left(Id3v1::trimmedLength(text.constData(), int(text.size())));
}

std::vector<JobFile> listJobFiles(const QByteArray &folder, FileStatus &status)
{
    std::vector<ListedFile> listed;
    status = listFolderFiles(folder, mp3Pattern(), listed);
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
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
    row.before = reading.tagged ? reading.fields : Id3v1::Fields{{}, {}, {}, {}, {}, NoGenre};
    row.trackBefore = reading.track();
    if (!reading.status)
        return skipped(row, reading.status.description());

    Id3v1::Fields fields = row.before;
    QString reason;
    for (const TextField &field : textFields) {
        if (const std::optional<QString> &text = edits.*field.edit;
            text && !encodeField(page, field.name, *text, field.width, fields.*field.bytes, reason))
            return skipped(row, reason);
    }
    if (edits.genre)
        fields.genre = *edits.genre;

    if (edits.comment || edits.track) {
        const int track = edits.track ? *edits.track : row.trackBefore;
        QByteArray comment = storedComment(reading);
        if (edits.comment && !encodeField(page, "comment", *edits.comment, Id3v1::CommentWidth, comment, reason))
            return skipped(row, reason);
        if (track) {
            // ID3v1.1: the comment keeps 28 bytes, byte 28 is 0 and byte 29 the number.
            if (comment.size() > CommentBesideTrack)
                return skipped(row, QStringLiteral("comment: takes %1 bytes, and beside a track number it holds 28")
                                        .arg(comment.size()));
            comment = comment.leftJustified(CommentBesideTrack, ' ') + '\0' + char(quint8(track));
        }
        fields.comment = comment;
        row.trackAfter = track;
    } else {
        row.trackAfter = row.trackBefore;
    }
    row.after = fields;
    const bool sameTrailer = reading.tagged ? Id3v1::build(fields) == reading.trailer : !edits.anyField();
    row.state = sameTrailer ? JobState::Unchanged : JobState::WillChange;
    return row;
}

std::vector<JobRow> previewJob(const std::vector<JobFile> &files, const JobPlanner &planner, const CodePage &page)
{
    std::vector<JobRow> rows;
    rows.reserve(files.size());
    for (const JobFile &file : files) {
        const TagReading reading = readTagFile(file.path);
        FieldEdits edits;
        QString reason;
        if (reading.status && !planner(file, reading, edits, reason)) {
            JobRow row = planJobRow(file, reading, {}, page);
            rows.push_back(skipped(std::move(row), reason));
        } else {
            rows.push_back(planJobRow(file, reading, edits, page));
        }
    }
    return rows;
}

JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply)
{
    JobSummary summary;
    if (apply.journal)
        apply.journal->beginBatch();
    for (const JobRow &row : rows) {
        if (row.state == JobState::Unchanged) {
            ++summary.unchanged;
            continue;
        }
        if (row.state == JobState::Skipped) {
            ++summary.skipped;
            continue;
        }
        if (summary.stopped)
            continue;
        TagSave save;
        save.path = row.file.path;
        save.fields = row.after;
        save.expected = row.reading.identity;
        save.folder = row.file.folder;
        save.journal = apply.journal;
        save.keepTimes = apply.keepTimes;
        const TagSaveResult result = saveTagFile(save);
        if (result.written)
            ++summary.written;
        if (!result.status && !result.written)
            ++summary.failed;
        if (apply.afterFile && !apply.afterFile(row, result))
            summary.stopped = true;
    }
    if (apply.journal)
        apply.journal->endBatch();
    return summary;
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
