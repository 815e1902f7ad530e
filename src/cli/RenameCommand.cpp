#include "cli/RenameCommand.h"

#include "tags/codepage/CodePage.h"
#include "cli/CommandLine.h"
#include "tags/trailer/NameBuilder.h"
#include "tags/trailer/TagCore.h"
#include "tags/text/TextEscape.h"

#include <QSet>

#include <cerrno>
#include <sys/stat.h>

namespace {

// What a dry run expects the folders to hold after the renames it has let pass so far.
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

// The new name the window would propose, or empty when the file keeps its name (no tag, an
// empty artist or song name).
QByteArray proposedName(const TagReading &reading, bool longNames, const CodePage &page)
{
    if (!reading.tagged)
        return QByteArray();
    return proposeFileName(page.decode(reading.fields.title), page.decode(reading.fields.artist), longNames, QString())
        .toUtf8();
}

QString renameFailure(const QByteArray &newName, const QString &reason)
{
    return QStringLiteral("not renamed to \"%1\": %2").arg(TextEscape::shown(newName), reason);
}

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

// Renames one file that was read, or with dryRun only says what would be done.
void renameOne(const FileTarget &target, const TagReading &reading, const RenameRequest &request,
               ExpectedNames &expected, Output &out, Console &console)
{
    const QByteArray newName = proposedName(reading, request.longNames, request.page ? *request.page : CodePage::system());
    if (newName.isEmpty() || newName == target.name)
        return;
    const QByteArray newPath = target.path.left(target.path.size() - target.name.size()) + newName;
    if (const QString problem = newNameProblem(newName); !problem.isEmpty()) {
        console.fileFailed(target.path, problem);  // e.g. an artist "AC/DC"
        return;
    }
    if (request.dryRun) {
        if (expected.isTaken(newPath, target.path)) {
            console.fileFailed(target.path, renameFailure(newName, FileStatus::fromErrno(EEXIST).description()));
        } else {
            expected.move(target.path, newPath);
            printMove(out, console, target.path, newPath);
        }
        return;
    }
    TagSave save;
    save.path = target.path;
    save.fields = reading.fields;  // the trailer is written back as it is
    save.newName = newName;
    save.expected = reading.identity;
    save.folder = target.folder;
    save.journal = request.journal;
    save.keepTimes = request.keepTimes;
    const TagSaveResult result = saveTagFile(save);
    if (result.status)
        printMove(out, console, target.path, newPath);
    else if (result.written)
        console.fileFailed(target.path, renameFailure(newName, result.status.description()));
    else
        console.fileFailed(target.path, result.status.description());
}

}  // namespace

int renameFiles(const std::vector<FileTarget> &targets, const RenameRequest &request, Output &out, Console &console)
{
    ExpectedNames expected;
    forEachReadTarget(targets, "rename", console, [&](const FileTarget &target, const TagReading &reading) {
        renameOne(target, reading, request, expected, out, console);
    });
    if (const FileStatus written = out.finish(); !written)
        console.fileFailed("standard output", written.description());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
