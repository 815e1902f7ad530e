#include "tags/jobs/JobApply.h"

#include "tags/id3v2/Id3v2Fill.h"
#include "tags/jobs/TextFields.h"
#include "tags/journal/SaveJournal.h"
#include "tags/trailer/HeadPlan.h"

quint32 changedFields(const JobRow &row)
{
    quint32 fields = 0;
    for (const TagFieldInfo &field : textFields())
        if (row.before.*field.bytes != row.after.*field.bytes)
            fields |= id3v2Bit(field.field);
    if (row.before.genre != row.after.genre)
        fields |= id3v2Bit(TagField::Genre);
    if (row.trackBefore != row.trackAfter)
        fields |= id3v2Bit(TagField::Track);
    return fields;
}

// The values a row's trailer holds cut to fit: written whole into the ID3v2 tag.
WholeTexts wholeTextsOf(const JobRow &row)
{
    WholeTexts whole;
    for (TagField field : row.cut)
        if (const std::optional<QString> *edit = editOf(row.edits, field); edit && *edit)
            whole[size_t(field)] = **edit;
    return whole;
}

TagSave saveOf(const JobRow &row, bool keepTimes, const CodePage *id3v2Page)
{
    // The preview's old tag is the one overwritten.
    TagSave save = saveOverReading(row.file.path, row.reading, row.after);
    save.newName = row.newName;
    save.folder = row.file.folder;
    save.keepTimes = keepTimes;
    if (id3v2Page) {
        save.page = id3v2Page;
        save.id3v2Fields = changedFields(row);
        save.id3v2Whole = wholeTextsOf(row);
    }
    return save;
}

JobSummary applyJob(const std::vector<JobRow> &rows, const JobApply &apply)
{
    JobSummary summary;
    std::vector<const JobRow *> changing;
    std::vector<TagSave> saves;
    for (const JobRow &row : rows) {
        if (row.state == JobState::Unchanged) {
            ++summary.unchanged;
        } else if (row.state == JobState::Skipped) {
            ++summary.skipped;
        } else {
            changing.push_back(&row);
            saves.push_back(saveOf(row, apply.keepTimes, apply.id3v2Page));
        }
    }
    TagSaves options;
    options.journal = apply.journal;
    size_t reached = 0;
    options.progress = [&](size_t done) {
        reached = done;
        summary.stopped = apply.progress && !apply.progress(int(done));
        return !summary.stopped;
    };
    const qint64 batchBefore = apply.journal ? apply.journal->lastBatch() : 0;
    const std::vector<TagSaveResult> results = saveTagFiles(saves, options);
    if (apply.journal && apply.journal->lastBatch() != batchBefore)
        summary.batch = apply.journal->lastBatch();
    for (size_t i = 0; i < reached; ++i) {
        const TagSaveResult &result = results[i];
        if (result.written)
            ++summary.written;
        if (!result.status && !result.written)
            ++summary.failed;
        if (apply.afterFile)
            apply.afterFile(*changing[i], result);
    }
    return summary;
}

void noteId3v2Writes(std::vector<JobRow> &rows, const CodePage &page)
{
    for (JobRow &row : rows) {
        if (row.state != JobState::WillChange)
            continue;
        if (row.reading.id3v2Version == 2) {
            row = skippedRow(std::move(row), QStringLiteral("its ID3v2.2 tag is not written"));
            continue;
        }
        if (row.reading.id3v2Version < 3)
            continue;
        HeadChange change;
        const WholeTexts whole = wholeTextsOf(row);
        const QString refusal = planHeadChangeOf(row.file.path, row.reading.trailer, Id3v1::build(row.after), page,
                                                 changedFields(row), change, &whole);
        if (!refusal.isEmpty()) {
            row = skippedRow(std::move(row), QStringLiteral("ID3v2 not written: ") + refusal);
            continue;
        }
        if (!change.any())
            continue;
        const QString note = change.inPlace ? QStringLiteral("ID3v2 written too")
                                            : QStringLiteral("ID3v2 written too, the file written anew");
        row.reason = row.reason.isEmpty() ? note : row.reason + QStringLiteral("; ") + note;
    }
}
