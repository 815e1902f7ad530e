#include "cli/CodePageCommand.h"

#include "cli/Console.h"
#include "cli/Output.h"
#include "tags/codepage/CodePage.h"
#include "tags/settings/CodePageChoice.h"
#include "tags/codepage/CodePageGuess.h"
#include "tags/files/AlbumFolders.h"
#include "tags/trailer/FolderCodePage.h"
#include "tags/text/TextEscape.h"

#include <unistd.h>

namespace {

// The page stored in the settings file; what is wrong with it goes to standard error, once per
// run (each command reads it once).
int storedPage()
{
    QStringList problems;
    const int number = CodePageChoice::storedNumber(problems);
    for (const QString &problem : problems)
        writeToStandardError("velmora-cli: " + TextEscape::visible(problem, false).toLocal8Bit() + '\n');
    return number;
}

}  // namespace

bool chosenCodePage(const CommandLine &line, const CodePage *&page, QString &problem)
{
    const std::optional<QByteArray> value = line.value("--codepage");
    if (!value) {
        page = &CodePageChoice::pageOf(storedPage());
        return true;
    }
    const QString name = QString::fromLocal8Bit(*value);
    page = name.compare(QStringLiteral("system"), Qt::CaseInsensitive) == 0 ? &CodePage::system()
                                                                             : CodePage::byName(name);
    if (page)
        return true;
    QStringList numbers;
    for (int number : CodePage::numbers())
        numbers << QString::number(number);
    problem = QStringLiteral("--codepage: \"%1\" is not a code page; use one of %2 or \"system\"")
                  .arg(name, numbers.join(QStringLiteral(", ")));
    return false;
}

namespace {

QByteArray guessLine(const FolderGuess &guess)
{
    if (guess.page != 0)
        return "suggested: " + CodePage::byNumber(guess.page).title().toUtf8() + '\n';
    if (guess.nonAsciiBytes == 0)
        return "suggested: none (the tags are plain ASCII, any page reads them)\n";
    if (guess.nonAsciiBytes < CodePageGuess::MinimumBytes)
        return "suggested: none (too little text to tell)\n";
    return "suggested: none (the text reads as none of the code pages)\n";
}

}  // namespace

namespace {

QByteArray countsLine(const FolderGuess &guess)
{
    return "files: " + QByteArray::number(guess.files) + ", tagged: " + QByteArray::number(guess.tagged)
           + ", bytes above ASCII: " + QByteArray::number(guess.nonAsciiBytes) + '\n';
}

// A line for each folder of the tree that holds MP3 files: "<folder below>: suggested: ...".
void guessTree(const QByteArray &folder, QByteArray &b, Console &console)
{
    const AlbumFolders tree = walkAlbumFolders(folder);
    if (!tree.status) {
        console.fileFailed(folder, tree.status.description());
        return;
    }
    if (const QString passed = passedOverText(tree); !passed.isEmpty())
        console.fileNote(folder, passed);
    for (const auto &[path, status] : tree.unreadable)
        console.fileFailed(path, status.description());
    for (const AlbumFolder &each : tree.folders) {
        const FolderGuess guess = guessFolderCodePage(each.path);
        if (!guess.status)
            console.fileFailed(each.path, guess.status.description());
        else if (guess.files > 0)
            b += TextEscape::escaped(each.relative.isEmpty() ? QByteArray(".") : each.relative) + ": " + guessLine(guess);
    }
}

}  // namespace

int runCodePage(const CommandLine &line)
{
    if (line.operands.size() > 1) {
        Console::usageError(QStringLiteral("codepage takes one folder"));
        return ExitBadUsage;
    }
    const QByteArray folder = line.operands.empty() ? QByteArray(".") : line.operands.front();
    Console console;
    Output out(STDOUT_FILENO);
    QByteArray &b = out.buffer();
    if (line.has("--recursive")) {
        guessTree(folder, b, console);
        const int stored = storedPage();
        b += "in use: " + CodePageChoice::pageOf(stored).title().toUtf8() + (stored ? "\n" : " (system)\n");
        const FileStatus written = out.finish();
        return !written || console.anyFailed() ? ExitSomeFailed : ExitDone;
    }
    const FolderGuess guess = guessFolderCodePage(folder);
    if (!guess.status) {
        console.fileFailed(folder, guess.status.description());
        return ExitSomeFailed;
    }
    const int stored = storedPage();
    b += guessLine(guess);
    b += "in use: " + CodePageChoice::pageOf(stored).title().toUtf8() + (stored ? "\n" : " (system)\n");
    b += countsLine(guess);
    return out.finish() ? ExitDone : ExitSomeFailed;
}
