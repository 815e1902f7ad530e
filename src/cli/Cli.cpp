#include "cli/Id3v2Option.h"
#include "cli/Cli.h"

#include "tags/codepage/CodePage.h"
#include "cli/CaseJobCommand.h"
#include "cli/CodePageCommand.h"
#include "cli/CommandLine.h"
#include "cli/ListJobCommand.h"
#include "cli/LookupCommand.h"
#include "cli/NameJobCommand.h"
#include "cli/HelpText.h"
#include "cli/JobCommand.h"
#include "cli/JournalCommands.h"
#include "cli/ListCommand.h"
#include "cli/RenameJobCommand.h"
#include "cli/PlaylistCommand.h"
#include "cli/SetCommand.h"
#include "cli/TableCommands.h"
#include "tags/jobs/AlbumJob.h"
#include "tags/jobs/CaseJob.h"
#include "tags/jobs/ListJob.h"
#include "tags/jobs/NameJob.h"
#include "tags/jobs/NamePattern.h"
#include "tags/jobs/RenameJob.h"
#include "cli/NumberJobCommand.h"
#include "tags/journal/SaveJournal.h"
#include "tags/text/TextEscape.h"

#include <climits>
#include <functional>

#include <unistd.h>

namespace {

int badUsage(const QString &problem)
{
    Console::usageError(problem);
    return ExitBadUsage;
}

// Operands arrive in the printable form; false with problem set for a bad escape.
bool unescapeOperands(std::vector<QByteArray> &operands, QString &problem)
{
    for (QByteArray &operand : operands) {
        QByteArray raw;
        if (!TextEscape::unescape(operand, raw, problem))
            return false;
        operand = raw;
    }
    return true;
}

int printText(const QByteArray &text)
{
    Output out(STDOUT_FILENO);
    out.buffer() = text;
    const FileStatus written = out.finish();
    if (written)
        return ExitDone;
    Console().fileFailed("standard output", written.description());
    return ExitSomeFailed;
}

int runList(const CommandLine &line)
{
    const CodePage *page = nullptr;
    QString problem;
    if (!chosenCodePage(line, page, problem))
        return badUsage(problem);
    if (line.operands.size() > 1)
        return badUsage(QStringLiteral("list takes one folder"));
    ListRequest request;
    request.folder = line.operands.empty() ? QByteArray(".") : line.operands.front();
    request.json = line.has("--json");
    request.recursive = line.has("--recursive");
    request.page = page;
    Output out(STDOUT_FILENO);
    Console console;
    return listFolder(request, out, console);
}

// The journal of a command that saves: none with --no-journal. A batch: undone as a whole.
SaveJournal *journalFor(const CommandLine &line, SaveJournal &journal)
{
    if (line.has("--no-journal"))
        return nullptr;
    journal.beginBatch();
    return &journal;
}

int runSet(const CommandLine &line, SaveJournal &journal)
{
    SetRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!chosenCodePage(line, page, problem) || !parseFieldChanges(line, *page, request.changes, problem))
        return badUsage(problem);
    request.fromV2 = line.has("--from-v2");
    request.dryRun = line.has("--dry-run");
    if (!request.changes.any() && !request.fromV2)
        return badUsage(QStringLiteral(
            "set needs --from-v2 or at least one of --title, --artist, --album, --year, --comment, --genre"));
    if (line.operands.empty())
        return badUsage(QStringLiteral("set needs files or folders"));
    Output out(STDOUT_FILENO);
    Console console;
    if (!request.dryRun)
        request.journal = journalFor(line, journal);
    request.keepTimes = line.has("--keep-times");
    if (!writesId3v2(line, request.writeId3v2, problem))
        return badUsage(problem);
    return setTags(commandTargets(line, console), request, *page, out, console);
}

int runRename(const CommandLine &line, SaveJournal &journal)
{
    RenameRequest request;
    QString problem;
    if (!chosenCodePage(line, request.page, problem))
        return badUsage(problem);
    const QByteArray style = line.value("--style").value_or("long");
    if (style != "long" && style != "8.3")
        return badUsage(QStringLiteral("--style is \"long\" or \"8.3\""));
    request.longNames = style == "long";
    if (const std::optional<QByteArray> pattern = line.value("--pattern")) {
        if (line.value("--style"))
            return badUsage(QStringLiteral("rename: --pattern or --style, not both"));
        request.pattern = QString::fromUtf8(*pattern);
        if (const QString why = renamePatternProblem(NamePattern(request.pattern)); !why.isEmpty())
            return badUsage(QStringLiteral("rename: the pattern cannot be used: ") + why);
    }
    request.dryRun = line.has("--dry-run");
    request.json = line.has("--json");
    if (request.json && !request.dryRun)
        return badUsage(QStringLiteral("rename: --json goes with --dry-run"));
    request.keepTimes = line.has("--keep-times");
    if (line.operands.empty())
        return badUsage(QStringLiteral("rename needs files or folders"));
    if (!request.dryRun)
        request.journal = journalFor(line, journal);
    Output out(STDOUT_FILENO);
    Console console;
    return renameFiles(commandTargets(line, console), request, out, console);
}

// A job command over its files, the journal's batch begun only for a run that writes.
int runJobOnFiles(const CommandLine &line, SaveJournal &journal, const char *jobTitle, JobCommandRequest &job,
                  Console &console, const std::function<int(const std::vector<FileTarget> &, Output &)> &run)
{
    job.jobTitle = jobTitle;
    Output out(STDOUT_FILENO);
    const std::vector<FileTarget> targets = commandTargets(line, console);
    if (!job.dryRun)
        job.journal = journalFor(line, journal);
    return run(targets, out);
}

int runFromNames(const CommandLine &line, SaveJournal &journal)
{
    FromNamesRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!readJobOptions(line, request.job, page, problem))
        return badUsage(problem);
    if (const std::optional<QByteArray> pattern = line.value("--pattern")) {
        const NamePattern checked(QString::fromLocal8Bit(*pattern));
        if (!checked.isValid())
            return badUsage(QStringLiteral("--pattern: ") + checked.problem());
        request.pattern = checked.text();
    }
    request.underscores = line.has("--underscores");
    Console console;
    return runJobOnFiles(line, journal, NameJobTitle, request.job, console, [&](const std::vector<FileTarget> &targets, Output &out) {
        return fromNames(targets, request, *page, out, console);
    });
}

int runFromList(CommandLine &line, SaveJournal &journal)
{
    FromListRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!readFromListRequest(line, request, page, problem))
        return badUsage(problem);
    Console console;
    if (!readListLines(request, console))
        return ExitSomeFailed;
    return runJobOnFiles(line, journal, ListJobTitle, request.job, console, [&](const std::vector<FileTarget> &targets, Output &out) {
        return fromList(targets, request, *page, out, console);
    });
}

// case and replace.
int runCase(const CommandLine &line, SaveJournal &journal)
{
    CaseRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!readCaseRequest(line, request, page, problem))
        return badUsage(problem);
    Console console;
    return runJobOnFiles(line, journal, CaseJobTitle, request.job, console, [&](const std::vector<FileTarget> &targets, Output &out) {
        return changeCase(targets, request, *page, out, console);
    });
}

int runHistory(const CommandLine &line, SaveJournal &journal)
{
    if (line.operands.size() > 1)
        return badUsage(QStringLiteral("history takes one folder"));
    HistoryRequest request;
    request.folder = line.value("--folder").value_or(line.operands.empty() ? QByteArray() : line.operands.front());
    request.json = line.has("--json");
    if (const std::optional<QByteArray> limit = line.value("--limit")) {
        bool ok = false;
        request.limit = limit->toInt(&ok);
        if (!ok || request.limit <= 0)
            return badUsage(QStringLiteral("history: --limit takes a number of changes from 1 to %1").arg(INT_MAX));
    }
    Output out(STDOUT_FILENO);
    Console console;
    return showHistory(journal, request, out, console);
}

int runUndo(const CommandLine &line, SaveJournal &journal)
{
    UndoRequest request;
    request.batch = line.has("--batch");
    request.dryRun = line.has("--dry-run");
    if (line.operands.size() > 1 || (request.batch && !line.operands.empty()))
        return badUsage(QStringLiteral("undo takes one change number, or --batch alone"));
    if (!line.operands.empty()) {
        bool ok = false;
        request.id = line.operands.front().toLongLong(&ok);
        if (!ok || *request.id <= 0)
            return badUsage(QStringLiteral("undo: \"%1\" is not a change number").arg(QString::fromUtf8(line.operands.front())));
    }
    Output out(STDOUT_FILENO);
    Console console;
    return undoChanges(journal, request, out, console);
}

int runNumber(const CommandLine &line, SaveJournal &journal)
{
    JobCommandRequest request;
    const CodePage *page = nullptr;
    QString problem;
    NumberOptions options;
    if (!readJobOptions(line, request, page, problem) || !readNumberOptions(line, options, problem))
        return badUsage(problem);
    Console console;
    return runJobOnFiles(line, journal, NumberJobTitle, request, console, [&](const std::vector<FileTarget> &targets, Output &out) {
        return numberTracks(targets, options, request, *page, out, console);
    });
}

int runLookup(const CommandLine &line, SaveJournal &journal)
{
    LookupRequest request;
    const CodePage *page = nullptr;
    QString problem;
    if (!readLookupRequest(line, request, page, problem))
        return badUsage(problem);
    // A tree is looked up folder by folder; one release or one list cannot stand for all of them.
    if (line.has("--recursive") && (request.list || !request.release.isEmpty()))
        return badUsage(QStringLiteral("lookup: --list and --release name one album: give them one album folder, "
                                       "without --recursive"));
    Console console;
    if (request.list)
        request.job.dryRun = true;  // nothing is written: no batch begun
    return runJobOnFiles(line, journal, AlbumJobTitle, request.job, console, [&](const std::vector<FileTarget> &targets, Output &out) {
        return lookupAlbum(targets, request, *page, out, console);
    });
}

}  // namespace

int runCli(int argc, const char *const argv[])
{
    CommandLine line = parseCommandLine(argc, argv);
    if (!line.problem.isEmpty())
        return badUsage(line.problem);
    if (line.command == "help")
        return printText(helpText());
    if (line.command == "version")
        return printText("velmora-cli " VELMORA_VERSION "\n");
    QString problem;
    if (!unescapeOperands(line.operands, problem))
        return badUsage(problem);
    // A save that a crash cut short is put right before anything else.
    SaveJournal journal;
    if (!line.has("--no-journal"))
        recoverAtStart(journal);
    if (line.command == "list")
        return runList(line);
    if (line.command == "set")
        return runSet(line, journal);
    if (line.command == "from-names")
        return runFromNames(line, journal);
    if (line.command == "codepage")
        return runCodePage(line);
    if (line.command == "history")
        return runHistory(line, journal);
    if (line.command == "undo")
        return runUndo(line, journal);
    if (line.command == "number")
        return runNumber(line, journal);
    if (line.command == "from-list")
        return runFromList(line, journal);
    if (line.command == "lookup")
        return runLookup(line, journal);
    if (line.command == "case" || line.command == "replace")
        return runCase(line, journal);
    if (line.command == "export")
        return runExport(line);
    if (line.command == "import")
        return runImport(line, journal);
    if (line.command == "playlist")
        return runPlaylist(line);
    return runRename(line, journal);
}
