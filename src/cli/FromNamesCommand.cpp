#include "cli/FromNamesCommand.h"

#include "cli/CommandLine.h"
#include "cli/FieldText.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/NameJob.h"
#include "tags/jobs/PatternGuess.h"
#include "tags/text/TextEscape.h"

namespace {

struct PreviewField {
    const char *name;
    NameField code;
    QByteArray Id3v1::Fields::*bytes;  // none for the track and the genre
};

const PreviewField previewFields[] = {
    {"title", NameField::Title, &Id3v1::Fields::title},     {"artist", NameField::Artist, &Id3v1::Fields::artist},
    {"album", NameField::Album, &Id3v1::Fields::album},     {"year", NameField::Year, &Id3v1::Fields::year},
    {"comment", NameField::Comment, &Id3v1::Fields::comment}, {"track", NameField::Track, nullptr},
    {"genre", NameField::Genre, nullptr},
};

class PreviewWriter {
public:
    PreviewWriter(const NamePattern &pattern, const CodePage &page, bool json)
        : m_pattern(pattern), m_printer(page, json), m_json(json)
    {
    }

    QByteArray header() const
    {
        if (m_json)
            return "[";
        QByteArray line = "file\tstate\treason";
        for (const PreviewField &field : previewFields) {
            if (m_pattern.names(field.code))
                line += QByteArray("\told_") + field.name + "\tnew_" + field.name;
        }
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
        for (const PreviewField &field : previewFields) {
            if (!m_pattern.names(field.code))
                continue;
            const QByteArray before = value(field, row.before, row.trackBefore, row.reading.tagged);
            const QByteArray after = value(field, row.after, row.trackAfter, true);
            if (m_json) {
                line += QByteArray(firstField ? "" : ",") + '"' + field.name + "\":{\"old\":" + before + ",\"new\":" + after + '}';
                firstField = false;
            } else {
                line += '\t' + before + '\t' + after;
            }
        }
        return line + (m_json ? "}}" : "\n");
    }

    QByteArray footer(bool any) const { return m_json ? QByteArray(any ? "\n]\n" : "]\n") : QByteArray(); }

private:
    // tagged: false for the old fields of a file without a trailer, whose genre is none.
    QByteArray value(const PreviewField &field, const Id3v1::Fields &fields, int track, bool tagged) const
    {
        if (field.code == NameField::Track)
            return track ? QByteArray::number(track) : QByteArray(m_json ? "null" : "");
        if (field.code == NameField::Genre)
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

    const NamePattern &m_pattern;
    FieldText::FieldPrinter m_printer;
    bool m_json;
};

std::vector<JobFile> jobFilesOf(const std::vector<FileTarget> &targets)
{
    std::vector<JobFile> files;
    files.reserve(targets.size());
    for (const FileTarget &target : targets)
        files.push_back({target.path, target.folder, target.name, QString::fromUtf8(target.name)});
    return files;
}

}  // namespace

int fromNames(const std::vector<FileTarget> &targets, const FromNamesRequest &request, const CodePage &page,
              Output &out, Console &console)
{
    const std::vector<JobFile> files = jobFilesOf(targets);
    QString patternText;
    if (request.pattern) {
        patternText = *request.pattern;
    } else {
        QStringList names;
        for (const JobFile &file : files)
            names += file.display;
        const PatternGuess guess = guessNamePattern(names, request.underscores);
        if (guess.pattern.isEmpty()) {
            if (!files.empty())
                console.fileFailed("from-names", QStringLiteral("no pattern fits the names; give one with --pattern"));
            return console.anyFailed() ? ExitSomeFailed : ExitDone;
        }
        writeToStandardError(QStringLiteral("from-names: pattern \"%1\" (guessed, %2)\n")
                                 .arg(guess.pattern, guess.countText()).toUtf8());
        patternText = guess.pattern;
    }
    const NamePattern pattern(patternText);
    const std::vector<JobRow> rows = previewJob(files, nameJobPlanner(pattern, request.underscores), page);
    for (const JobRow &row : rows) {
        if (!row.reading.status)
            console.fileFailed(row.file.path, row.reason);
        else if (row.state == JobState::Skipped)
            console.fileNote(row.file.path, QStringLiteral("skipped: ") + row.reason);
    }

    if (request.dryRun) {
        const PreviewWriter writer(pattern, page, request.json);
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

    JobApply apply;
    apply.journal = request.journal;
    apply.keepTimes = request.keepTimes;
    apply.afterFile = [&console](const JobRow &row, const TagSaveResult &result) {
        if (!result.status)
            console.fileFailed(row.file.path, result.status.description());
        return true;
    };
    const JobSummary summary = applyJob(rows, apply);
    writeToStandardError(QStringLiteral("from-names: %1 written, %2 unchanged, %3 skipped\n")
                             .arg(summary.written).arg(summary.unchanged).arg(summary.skipped).toUtf8());
    return console.anyFailed() ? ExitSomeFailed : ExitDone;
}
