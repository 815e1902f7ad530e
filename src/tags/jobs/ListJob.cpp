#include "tags/jobs/ListJob.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace {

// Unicode spaces too: a list copied from a web page has no-break spaces.
constexpr auto unicode = QRegularExpression::UseUnicodePropertiesOption;
// A track number, maybe after a side letter ("A1"), then a mark or a space; a digit right after
// the mark ("3.14") means the number is part of the text.
const QRegularExpression leadingNumber(QStringLiteral(R"(^[A-Z]?\d{1,3}(?:\s*[.):\]\x{2013}\x{2014}-]+\s*|\s+)(?!\d))"), unicode);
// A duration at the end, bare or in brackets, maybe after a dash or a bar.
const QRegularExpression trailingDuration(
    QStringLiteral(R"(\s*[-|\x{2013}\x{2014}]?\s*(?:\d{1,2}(?::\d\d){1,2}|\(\s*\d{1,2}(?::\d\d){1,2}\s*\)|\[\s*\d{1,2}(?::\d\d){1,2}\s*\])$)"), unicode);

// Any line ending: a list pasted from another system keeps its own.
const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));

// Only whitespace and NULs: as blank as an empty line.
bool isBlank(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isSpace() || c.isNull(); });
}

}  // namespace

QString cleanListLine(QStringView line, const ListOptions &options)
{
    QString text = line.trimmed().toString();
    if (options.dropNumbers)
        text.remove(leadingNumber);
    if (options.dropDurations)
        text.remove(trailingDuration);
    return text.trimmed();
}

QStringList listLines(QStringView text, const ListOptions &options)
{
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    QStringList lines;
    for (QStringView line : text.split(lineEnd)) {
        if (!isBlank(line))
            lines += cleanListLine(line, options);
    }
    return lines;
}

bool decodeListText(const QByteArray &bytes, QString &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    text = utf8(bytes);
    return !utf8.hasError();
}

QString listCountMismatch(qsizetype lines, qsizetype files)
{
    if (lines == files)
        return {};
    return QStringLiteral("%1 %2 for %3 %4")
        .arg(lines).arg(lines == 1 ? "line" : "lines").arg(files).arg(files == 1 ? "file" : "files");
}

JobPlanner listPlanner(const QStringList &lines, const std::vector<JobFile> &files, TagField field)
{
    // By path, so that the planner does not depend on being called once per file in order.
    QHash<QByteArray, QString> lineOf;
    for (size_t i = 0; i < files.size() && qsizetype(i) < lines.size(); ++i) {
        if (!lineOf.contains(files[i].path))
            lineOf.insert(files[i].path, lines.at(qsizetype(i)));
    }
    return [lineOf, field](const JobFile &file, const TagReading &, FieldEdits &edits, QString &reason) {
        const auto line = lineOf.constFind(file.path);
        if (line == lineOf.cend()) {
            reason = QStringLiteral("no line of the list for this file");
            return false;
        }
        if (line->isEmpty()) {
            reason = QStringLiteral("its line of the list is empty");
            return false;
        }
        std::optional<QString> *edit = editOf(edits, field);
        if (!edit) {
            reason = QStringLiteral("%1 is not a text field").arg(QLatin1String(fieldName(field)));
            return false;
        }
        *edit = *line;
        return refuseControlCharacters(edits, reason);
    };
}
