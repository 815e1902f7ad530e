#include "cli/TableCommands.h"

#include "cli/CodePageCommand.h"
#include "cli/Console.h"
#include "cli/FileTargets.h"
#include "cli/JobCommand.h"
#include "cli/Output.h"
#include "tags/codepage/CodePage.h"
#include "tags/files/PatternListing.h"
#include "tags/files/SmallFile.h"
#include "tags/id3v1/GenreList.h"
#include "tags/jobs/ImportJob.h"
#include "tags/journal/SaveJournal.h"
#include "tags/text/TextEscape.h"
#include "tags/trailer/TagCore.h"

#include <QFile>
#include <QHash>

#include <unistd.h>

namespace {

// A list of 100,000 files is a few tens of megabytes.
constexpr qint64 ListLimit = qint64(256) << 20;

int badUsage(const QString &problem)
{
    Console::usageError(problem);
    return ExitBadUsage;
}

}  // namespace

int runExport(const CommandLine &line)
{
    const CodePage *page = nullptr;
    QString problem;
    if (!chosenCodePage(line, page, problem))
        return badUsage(problem);
    if (line.operands.size() != 1)
        return badUsage(QStringLiteral("export takes one folder"));
    const std::optional<TableFormat> format = tableFormatNamed(QString::fromLocal8Bit(line.value("--format").value_or("csv")));
    if (!format)
        return badUsage(QStringLiteral("export: --format is csv, tsv or json"));
    const QByteArray folder = line.operands.front();
    Console console;
    const std::vector<FileTarget> targets = commandTargets(line, console);
    TableWriter writer(*format, line.has("--bom"));
    const QStringList genres = Genres::buildGenreList();
    const QByteArray prefix = folderPrefix(folder);
    Output out(STDOUT_FILENO);
    out.buffer() += writer.header();
    forEachReadTarget(targets, "export", console, [&](const FileTarget &target, const TagReading &reading) {
        const QByteArray relative = target.path.startsWith(prefix) ? target.path.mid(prefix.size()) : target.name;
        out.buffer() += writer.row(TextEscape::escaped(relative), tableValues(reading, *page, genres));
        out.written();
    });
    out.buffer() += writer.footer();
    if (const FileStatus written = out.finish(); !written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}

int runImport(const CommandLine &line, SaveJournal &journal)
{
    JobCommandRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!readJobOptions(line, request, page, problem))
        return badUsage(problem);
    if (line.operands.size() != 2)
        return badUsage(QStringLiteral("import needs a list (or - for standard input), then one folder"));
    const QByteArray source = line.operands.front();
    const QByteArray folder = line.operands.back();
    Console console;
    const bool standardInput = source == "-";
    const SmallFile list = standardInput ? readSmallStream(STDIN_FILENO, ListLimit)
                                         : readSmallFile(QFile::decodeName(source), ListLimit);
    const QByteArray shownSource = standardInput ? QByteArray("standard input") : source;
    if (!list.status) {
        console.fileFailed(shownSource, list.status.description());
        return ExitSomeFailed;
    }
    const TagTable table = readTagTable(list.bytes, guessTableFormat(list.bytes));
    auto at = [&shownSource](int line) { return shownSource + ':' + QByteArray::number(line); };
    for (const TableProblem &each : table.problems)
        console.fileFailed(at(each.line), each.text);
    if (!table.usable)
        return ExitSomeFailed;
    const ImportFiles files = importFiles(table, folder);
    for (const TableProblem &each : files.refused)
        console.fileFailed(at(each.line), QStringLiteral("skipped: ") + each.text);

    std::vector<FileTarget> targets;
    QHash<QByteArray, int> lineOf;
    for (size_t i = 0; i < files.files.size(); ++i) {
        const JobFile &file = files.files[i];
        targets.push_back({file.path, file.folder, file.name, 0});
        lineOf.insert(file.path, files.rowOf[i]->line);
    }
    request.fields = tableFields();
    request.jobTitle = ImportJobTitle;
    request.shownAs = [&](const JobRow &row) { return at(lineOf.value(row.file.path)) + ": " + row.file.path; };
    if (!request.dryRun && !line.has("--no-journal")) {
        journal.beginBatch();
        request.journal = &journal;
    }
    Output out(STDOUT_FILENO);
    return runJobCommand(targets, importPlanner(files, *page), request, *page, out, console);
}
