#include "cli/ListJobCommand.h"

#include "cli/CommandLine.h"
#include "tags/files/SmallFile.h"
#include "tags/text/TextEscape.h"

#include <QFile>

#include <unistd.h>

bool readFromListRequest(CommandLine &line, FromListRequest &request, const CodePage *&page, QString &problem)
{
    if (!readJobOptions(line, request.job, page, problem))
        return false;
    if (line.operands.size() < 2) {
        problem = QStringLiteral("from-list needs a text file (or - for standard input), then files or folders");
        return false;
    }
    request.source = line.operands.front();
    line.operands.erase(line.operands.begin());
    if (const std::optional<QByteArray> name = line.value("--field")) {
        const std::optional<TagField> field = textFieldNamed(QString::fromLocal8Bit(*name));
        if (!field) {
            problem = QStringLiteral("from-list: --field is one of title, artist, album, year, comment");
            return false;
        }
        request.options.field = *field;
    }
    request.options.dropNumbers = !line.has("--keep-numbers");
    request.options.dropDurations = !line.has("--keep-durations");
    request.job.fields = {request.options.field};
    return true;
}

bool readListLines(FromListRequest &request, Console &console)
{
    const bool standardInput = request.source == "-";
    const SmallFile text = standardInput ? readSmallStream(STDIN_FILENO, ListTextLimit)
                                         : readSmallFile(QFile::decodeName(request.source), ListTextLimit);
    const QByteArray shownSource = standardInput ? QByteArray("standard input") : request.source;
    if (!text.status) {
        console.fileFailed(shownSource, text.status.description());
        return false;
    }
    QString decoded;
    if (!decodeListText(text.bytes, decoded)) {
        console.fileFailed(shownSource, QStringLiteral("not UTF-8 text"));
        return false;
    }
    request.lines = listLines(decoded, request.options);
    return true;
}

int fromList(const std::vector<FileTarget> &targets, const FromListRequest &request, const CodePage &page,
             Output &out, Console &console)
{
    // Each album takes the list from its first line.
    const std::vector<std::vector<FileTarget>> albums = albumsOf(targets);
    for (const std::vector<FileTarget> &album : albums) {
        const QString mismatch = listCountMismatch(request.lines.size(), qsizetype(album.size()));
        if (mismatch.isEmpty())
            continue;
        const QByteArray where = albums.size() > 1 ? TextEscape::escaped(album.front().path.left(
                                                         album.front().path.size() - album.front().name.size()))
                                                   : QByteArray();
        writeToStandardError("from-list: " + where + (where.isEmpty() ? "" : ": ")
                             + QStringLiteral("%1; only the files with a line are written\n").arg(mismatch).toUtf8());
    }
    const TagField field = request.options.field;
    const PlannerFor plannerFor = [&request, field](const std::vector<JobFile> &files) {
        return listPlanner(request.lines, files, field);
    };
    return runJobCommand(targets, plannerFor, request.job, page, out, console);
}
