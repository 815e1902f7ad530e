#include "Cli.h"

#include "CodePage.h"
#include "CommandLine.h"
#include "Escape.h"
#include "HelpText.h"
#include "ListCommand.h"
#include "RenameCommand.h"
#include "SetCommand.h"

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
        if (!Escape::unescapeName(operand, raw, problem))
            return false;
        operand = raw;
    }
    return true;
}

int printText(const QByteArray &text)
{
    Output out(STDOUT_FILENO);
    out.buffer() = text;
    return out.finish() ? ExitDone : ExitSomeFailed;
}

int runList(const CommandLine &line)
{
    if (line.operands.size() > 1)
        return badUsage(QStringLiteral("list takes one folder"));
    ListRequest request;
    request.folder = line.operands.empty() ? QByteArray(".") : line.operands.front();
    request.json = line.has("--json");
    Output out(STDOUT_FILENO);
    Console console;
    return listFolder(request, out, console);
}

int runSet(const CommandLine &line)
{
    SetRequest request;
    QString problem;
    if (!parseFieldChanges(line, CodePage::system(), request.changes, problem))
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
    return setTags(expandFileTargets(line.operands, console), request, CodePage::system(), out, console);
}

int runRename(const CommandLine &line)
{
    RenameRequest request;
    const QByteArray style = line.value("--style").value_or("long");
    if (style != "long" && style != "8.3")
        return badUsage(QStringLiteral("--style is \"long\" or \"8.3\""));
    request.longNames = style == "long";
    request.dryRun = line.has("--dry-run");
    if (line.operands.empty())
        return badUsage(QStringLiteral("rename needs files or folders"));
    Output out(STDOUT_FILENO);
    Console console;
    return renameFiles(expandFileTargets(line.operands, console), request, out, console);
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
    if (line.command == "list")
        return runList(line);
    if (line.command == "set")
        return runSet(line);
    return runRename(line);
}
