#include "cli/RenameJobCommand.h"

#include "cli/CommandLine.h"
#include "cli/JobCommand.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/RenameJob.h"
#include "tags/text/TextEscape.h"
#include "tags/jobs/JobApply.h"
#include "tags/journal/JournalBatch.h"

namespace {

void printMove(Output &out, Console &console, const QByteArray &from, const QByteArray &to)
{
    console.hideProgress();
    QByteArray &b = out.buffer();
    TextEscape::append(b, from);
    b += " -> ";
    TextEscape::append(b, to);
    b += '\n';
    out.finish();  // each line as it happens, in step with the errors
}

}  // namespace

int renameFiles(const std::vector<FileTarget> &targets, const RenameRequest &request, Output &out, Console &console)
{
    const CodePage &page = request.page ? *request.page : CodePage::system();
    const std::vector<JobFile> files = jobFilesOf(targets);
    const std::vector<TagReading> readings = readJobFiles(files);
    const JobPlanner planner = request.pattern.isEmpty()
        ? renamePlanner(request.longNames, page)
        : patternRenamePlanner(NamePattern(request.pattern), trackDigits(readings), page);
    const std::vector<JobRow> rows = planFromReadings(files, readings, planner, page);
    qsizetype renames = 0;
    for (const JobRow &row : rows) {
        if (row.state == JobState::Skipped)
            console.fileFailed(row.file.path, row.reason);  // unreadable, unnamed, a name taken or unusable
        renames += row.state == JobState::WillChange;
    }
    if (request.dryRun && request.json) {
        JobCommandRequest preview;
        preview.fields = {TagField::Name};
        preview.json = true;
        return printJobPreview(rows, preview, page, out, console);
    }
    if (request.dryRun) {
        for (const JobRow &row : rows) {
            if (row.state == JobState::WillChange)
                printMove(out, console, row.file.path, newPathOf(row));
        }
    } else {
        console.startProgress("rename", renames);
        JobApply apply;
        apply.journal = request.journal;
        apply.keepTimes = request.keepTimes;
        apply.progress = [&](int done) {
            console.progress(done);
            return true;
        };
        apply.afterFile = [&](const JobRow &row, const TagSaveResult &result) {
            if (result.status)
                printMove(out, console, row.file.path, result.path);
            else if (result.written)
                console.fileFailed(row.file.path, QStringLiteral("not renamed to \"%1\": %2")
                                                      .arg(TextEscape::shown(row.newName), result.status.description()));
            else
                console.fileFailed(row.file.path, result.status.description());
        };
        const JobSummary summary = applyJob(rows, apply);
        if (request.journal && summary.batch > 0)
            nameBatch(*request.journal, summary.batch, QString::fromLatin1(RenameJobTitle));
        console.endProgress();
    }
    if (const FileStatus written = out.finish(); !written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
