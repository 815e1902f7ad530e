#include "cli/JobCommand.h"

#include "cli/Id3v2Option.h"

#include "cli/CodePageCommand.h"
#include "cli/CommandLine.h"
#include "cli/FieldText.h"
#include "cli/RunStop.h"
#include "tags/codepage/CodePage.h"
#include "tags/text/TextEscape.h"
#include "tags/jobs/JobApply.h"
#include "tags/journal/JournalBatch.h"

#include <algorithm>

namespace {

class PreviewWriter {
public:
    PreviewWriter(const std::vector<TagField> &fields, const CodePage &page, bool json)
        : m_printer(page, json), m_json(json)
    {
        for (const TagFieldInfo &field : tagFields()) {
            if (std::find(fields.begin(), fields.end(), field.field) != fields.end())
                m_shown.push_back(&field);
        }
    }

    QByteArray header() const
    {
        if (m_json)
            return "[";
        QByteArray line = "file\tstate\treason";
        for (const TagFieldInfo *field : m_shown)
            line += QByteArray("\told_") + field->key + "\tnew_" + field->key;
        return line + '\n';
    }

    QByteArray row(const JobRow &row, bool first) const
    {
        const QByteArray reason = TextEscape::escaped(row.reason.toUtf8(), m_json ? TextEscape::Json : TextEscape::Plain);
        const QByteArray file = TextEscape::escaped(row.file.path, m_json ? TextEscape::Json : TextEscape::Plain);
        QByteArray line;
        if (m_json) {
            line = QByteArray(first ? "\n" : ",\n") + "{\"file\":\"" + file + "\",\"state\":\"" + jobStateName(row.state)
                   + "\",\"reason\":" + (row.reason.isEmpty() ? QByteArray("null") : '"' + reason + '"') + ",\"fields\":{";
        } else {
            line = file + '\t' + jobStateName(row.state) + '\t' + reason;
        }
        bool firstField = true;
        for (const TagFieldInfo *field : m_shown) {
            const QByteArray before = field->field == TagField::Name ? name(row.file.name)
                                                                    : value(*field, row.before, row.trackBefore, row.reading.tagged);
            const QByteArray after = field->field == TagField::Name ? name(row.newName.isEmpty() ? row.file.name : row.newName)
                                                                   : value(*field, row.after, row.trackAfter, true);
            if (m_json) {
                line += QByteArray(firstField ? "" : ",") + '"' + field->key + "\":{\"old\":" + before + ",\"new\":" + after + '}';
                firstField = false;
            } else {
                line += '\t' + before + '\t' + after;
            }
        }
        return line + (m_json ? "}}" : "\n");
    }

    QByteArray footer(bool any) const { return m_json ? QByteArray(any ? "\n]\n" : "]\n") : QByteArray(); }

private:
    QByteArray name(const QByteArray &raw) const
    {
        const QByteArray text = TextEscape::escaped(raw, m_json ? TextEscape::Json : TextEscape::Plain);
        return m_json ? '"' + text + '"' : text;
    }

    // tagged: false for the old fields of a file without a trailer, whose genre is none.
    QByteArray value(const TagFieldInfo &field, const Id3v1::Fields &fields, int track, bool tagged) const
    {
        if (field.field == TagField::Track)
            return track ? QByteArray::number(track) : QByteArray(m_json ? "null" : "");
        if (field.field == TagField::Genre)
            return tagged ? QByteArray::number(fields.genre) : QByteArray(m_json ? "null" : "");
        const QByteArray &bytes = fields.*field.bytes;
        QByteArray out(TextEscape::mostBytes(bytes.size(), m_json) + 2, Qt::Uninitialized);
        char *end = out.data();
        if (m_json)
            *end++ = '"';
        end = m_printer.write(end, bytes);
        if (m_json)
            *end++ = '"';
        out.truncate(end - out.constData());
        return out;
    }

    std::vector<const TagFieldInfo *> m_shown;
    FieldText::FieldPrinter m_printer;
    bool m_json;
};

}  // namespace

int printJobPreview(const std::vector<JobRow> &rows, const JobCommandRequest &request, const CodePage &page, Output &out,
                    Console &console)
{
    const PreviewWriter writer(request.fields, page, request.json);
    out.buffer() += writer.header();
    bool first = true;
    for (const JobRow &row : rows) {
        out.buffer() += writer.row(row, first);
        first = false;
        out.written();
    }
    out.buffer() += writer.footer(!rows.empty());
    const FileStatus written = out.finish();
    if (!written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}

bool readJobOptions(const CommandLine &line, JobCommandRequest &request, const CodePage *&page, QString &problem)
{
    if (!chosenCodePage(line, page, problem))
        return false;
    const QString command = QString::fromLatin1(line.command);
    if (line.operands.empty()) {
        problem = command + QStringLiteral(" needs files or folders");
        return false;
    }
    request.command = line.command;
    request.dryRun = line.has("--dry-run");
    request.json = line.has("--json");
    request.keepTimes = line.has("--keep-times");
    if (!writesId3v2(line, request.writeId3v2, problem))
        return false;
    if (request.json && !request.dryRun) {
        problem = command + QStringLiteral(": --json goes with --dry-run");
        return false;
    }
    return true;
}

std::vector<JobFile> jobFilesOf(const std::vector<FileTarget> &targets)
{
    std::vector<JobFile> files;
    files.reserve(targets.size());
    for (const FileTarget &target : targets)
        files.push_back({target.path, target.folder, target.name, QString::fromUtf8(target.name)});
    return files;
}

QString stoppedText(bool stopped, qsizetype notReached)
{
    return stopped ? QStringLiteral("; stopped by Ctrl+C, %1 not reached").arg(notReached) : QString();
}

int runJobCommand(const std::vector<FileTarget> &targets, const JobPlanner &planner, const JobCommandRequest &request,
                  const CodePage &page, Output &out, Console &console)
{
    return runJobCommand(targets, [&planner](const std::vector<JobFile> &) { return planner; }, request, page, out,
                         console);
}

namespace {

// Each album read and planned with its own planner, in order; albumOf[i] is rows[i]'s album. False
// when Ctrl+C came first.
bool planAlbums(const std::vector<std::vector<FileTarget>> &albums, const PlannerFor &plannerFor, const CodePage &page,
                Console &console, std::vector<JobRow> &rows, std::vector<int> &albumOf)
{
    console.startTreeProgress(qsizetype(albums.size()));
    for (size_t album = 0; album < albums.size(); ++album) {
        if (RunStop::requested())
            break;
        const std::vector<JobFile> files = jobFilesOf(albums[album]);
        for (JobRow &row : previewJob(files, plannerFor(files), page)) {
            rows.push_back(std::move(row));
            albumOf.push_back(int(album));
        }
        console.treeProgress(qsizetype(album + 1), -1);
    }
    console.endProgress();
    return !RunStop::requested();
}

}  // namespace

int runJobCommand(const std::vector<FileTarget> &targets, const PlannerFor &plannerFor, const JobCommandRequest &request,
                  const CodePage &page, Output &out, Console &console)
{
    if (!request.dryRun)
        RunStop::catchInterrupt();
    const std::vector<std::vector<FileTarget>> albums = albumsOf(targets);
    std::vector<JobRow> rows;
    std::vector<int> albumOfRow;
    if (!planAlbums(albums, plannerFor, page, console, rows, albumOfRow)) {
        writeToStandardError(QStringLiteral("%1: stopped by Ctrl+C before writing; nothing written\n")
                                 .arg(QString::fromLatin1(request.command)).toUtf8());
        return ExitInterrupted;
    }
    if (request.writeId3v2)
        noteId3v2Writes(rows, page);
    auto shown = [&request](const JobRow &row) { return request.shownAs ? request.shownAs(row) : row.file.path; };
    for (const JobRow &row : rows) {
        if (!row.reading.status)
            console.fileFailed(shown(row), row.reason);
        else if (row.state == JobState::Skipped)
            console.fileNote(shown(row), QStringLiteral("skipped: ") + row.reason);
    }
    if (request.dryRun)
        return printJobPreview(rows, request, page, out, console);

    // Which album each file to be written is in, for the progress line.
    std::vector<int> albumOfChange;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].state == JobState::WillChange)
            albumOfChange.push_back(albumOfRow[i]);
    console.startTreeProgress(qsizetype(albums.size()));
    JobApply apply;
    apply.journal = request.journal;
    apply.keepTimes = request.keepTimes;
    apply.id3v2Page = request.writeId3v2 ? &page : nullptr;
    apply.progress = [&](int done) {
        console.treeProgress(albumOfChange[size_t(done - 1)] + 1, done);
        return RunStop::fileDone();
    };
    apply.afterFile = [&](const JobRow &row, const TagSaveResult &result) {
        if (!result.status)
            console.fileFailed(shown(row), result.status.description());
    };
    const JobSummary summary = applyJob(rows, apply);
    console.endProgress();
    if (request.journal && request.jobTitle && summary.batch > 0)
        nameBatch(*request.journal, summary.batch, QString::fromLatin1(request.jobTitle));
    const qsizetype reached = summary.written + summary.failed;
    writeToStandardError(QStringLiteral("%1: %2 written, %3 unchanged, %4 skipped%5\n")
                             .arg(QString::fromLatin1(request.command))
                             .arg(summary.written).arg(summary.unchanged).arg(summary.skipped)
                             .arg(stoppedText(summary.stopped, qsizetype(albumOfChange.size()) - reached))
                             .toUtf8());
    if (summary.stopped)
        return ExitInterrupted;
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
