#include "tags/jobs/TagTable.h"

#include "tags/text/TextEscape.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>

namespace {

constexpr QByteArrayView ByteOrderMark("\xEF\xBB\xBF");

std::optional<TagField> fieldOfColumn(QStringView name)
{
    for (TagField field : tableFields()) {
        if (name.compare(QLatin1String(fieldName(field)), Qt::CaseInsensitive) == 0)
            return field;
    }
    return std::nullopt;
}

QByteArray csvCell(const QByteArray &text)
{
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    QByteArray quoted = text;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

// A JSON string of UTF-8 text, every character kept (a control character as \u00XX).
QByteArray jsonString(const QByteArray &utf8)
{
    QByteArray out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (uchar(c) < 0x20)
            out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out + '"';
}

// The cells of a CSV or TSV list, each record with the line it begins on.
struct Record {
    int line = 0;
    std::vector<QByteArray> cells;
    QString problem;
};

std::vector<Record> csvRecords(QByteArrayView bytes, char separator, bool quoting)
{
    std::vector<Record> records;
    Record record;
    QByteArray cell;
    int line = 1;
    record.line = 1;
    bool inQuotes = false, quotedCell = false, any = false;
    auto endCell = [&] {
        record.cells.push_back(cell);
        cell.clear();
        quotedCell = false;
    };
    auto endRecord = [&] {
        endCell();
        if (!(record.cells.size() == 1 && record.cells.front().isEmpty() && record.problem.isEmpty()))
            records.push_back(std::move(record));  // a blank line is no row
        record = Record();
        record.line = line;
        any = false;
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                if (c == '\n')
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == separator) {
            endCell();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            ++line;
            endRecord();
            continue;
        } else if (quoting && c == '"' && cell.isEmpty() && !quotedCell) {
            inQuotes = quotedCell = true;
        } else {
            cell += c;
        }
        any = true;
    }
    if (inQuotes)
        record.problem = QStringLiteral("a quoted value is not closed before the end of the list");
    if (any || !cell.isEmpty() || inQuotes)
        endRecord();
    return records;
}

// The line each element of a JSON array begins on, by its opening brace at depth one.
std::vector<int> jsonElementLines(QByteArrayView bytes)
{
    std::vector<int> lines;
    int line = 1, depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n')
            ++line;
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (depth++ == 1)
                lines.push_back(line);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return lines;
}

TagTable readJson(QByteArrayView bytes)
{
    TagTable table;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        const int line = int(bytes.first(qMin<qsizetype>(error.offset, bytes.size())).count('\n')) + 1;
        table.problems.push_back({line, error.error != QJsonParseError::NoError
                                            ? QStringLiteral("not JSON: ") + error.errorString()
                                            : QStringLiteral("not a JSON array of rows")});
        table.usable = false;
        return table;
    }
    const std::vector<int> lines = jsonElementLines(bytes);
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        TableRow row;
        row.line = size_t(i) < lines.size() ? lines[size_t(i)] : 0;
        const QJsonObject object = array.at(i).toObject();
        if (!array.at(i).isObject() || !object.value(QLatin1String("file")).isString()) {
            row.problem = QStringLiteral("a row is an object with a \"file\" text");
            table.rows.push_back(std::move(row));
            continue;
        }
        row.file = object.value(QLatin1String("file")).toString().toUtf8();
        for (auto value = object.begin(); value != object.end(); ++value) {
            if (value.key() == QLatin1String("file"))
                continue;
            const std::optional<TagField> field = fieldOfColumn(value.key());
            if (!field) {
                row.problem = QStringLiteral("unknown column \"%1\"").arg(value.key());
                break;
            }
            if (value->isDouble())
                row.values.emplace_back(*field, QString::number(value->toInteger()));
            else if (value->isNull())
                row.values.emplace_back(*field, QString());
            else if (value->isString())
                row.values.emplace_back(*field, value->toString());
            else
                row.problem = QStringLiteral("%1: neither a text nor a number").arg(value.key());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

TagTable readDelimited(QByteArrayView bytes, TableFormat format)
{
    TagTable table;
    const bool tsv = format == TableFormat::Tsv;
    std::vector<Record> records = csvRecords(bytes, tsv ? '\t' : ',', !tsv);
    if (records.empty()) {
        table.problems.push_back({1, QStringLiteral("the list is empty")});
        table.usable = false;
        return table;
    }
    // The header: which cell is which column.
    const Record &header = records.front();
    int fileColumn = -1;
    std::vector<std::optional<TagField>> columns;
    for (size_t i = 0; i < header.cells.size(); ++i) {
        const QString name = QString::fromUtf8(header.cells[i]).trimmed();
        columns.push_back(fieldOfColumn(name));
        if (name.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0 && fileColumn < 0)
            fileColumn = int(i);
        else if (!columns.back())
            table.problems.push_back({header.line, QStringLiteral("unknown column \"%1\": its values are not read")
                                                       .arg(TextEscape::visible(name, false))});
    }
    if (fileColumn < 0) {
        table.problems.push_back({header.line, QStringLiteral("no \"file\" column: the first line names the columns")});
        table.usable = false;
        return table;
    }
    for (size_t r = 1; r < records.size(); ++r) {
        Record &record = records[r];
        TableRow row;
        row.line = record.line;
        row.problem = record.problem;
        if (row.problem.isEmpty() && record.cells.size() > columns.size())
            row.problem = QStringLiteral("%1 values for %2 columns").arg(record.cells.size()).arg(columns.size());
        for (size_t i = 0; i < record.cells.size() && i < columns.size(); ++i) {
            QByteArray cell = record.cells[i];
            if (tsv) {
                QString problem;
                if (!TextEscape::unescape(record.cells[i], cell, problem)) {
                    row.problem = problem;
                    break;
                }
            }
            if (int(i) == fileColumn)
                row.file = tsv ? TextEscape::escaped(cell) : cell;
            else if (columns[i])
                row.values.emplace_back(*columns[i], QString::fromUtf8(cell));
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace

std::optional<TableFormat> tableFormatNamed(QStringView name)
{
    if (name == u"csv")
        return TableFormat::Csv;
    if (name == u"tsv")
        return TableFormat::Tsv;
    if (name == u"json")
        return TableFormat::Json;
    return std::nullopt;
}

const std::vector<TagField> &tableFields()
{
    static const std::vector<TagField> fields = {TagField::Title, TagField::Artist, TagField::Album, TagField::Year,
                                                 TagField::Comment, TagField::Track, TagField::Genre};
    return fields;
}

TableWriter::TableWriter(TableFormat format, bool byteOrderMark)
    : m_format(format), m_mark(byteOrderMark && format != TableFormat::Json)
{
}

QByteArray TableWriter::header() const
{
    if (m_format == TableFormat::Json)
        return "[";
    QByteArray line = m_mark ? ByteOrderMark.toByteArray() : QByteArray();
    line += "file";
    for (TagField field : tableFields())
        line += (m_format == TableFormat::Csv ? "," : "\t") + QByteArray(fieldName(field));
    return line + (m_format == TableFormat::Csv ? "\r\n" : "\n");
}

QByteArray TableWriter::row(const QByteArray &file, const QStringList &values)
{
    QByteArray line;
    switch (m_format) {
    case TableFormat::Csv:
        line = csvCell(file);
        for (const QString &value : values)
            line += ',' + csvCell(value.toUtf8());
        return line + "\r\n";
    case TableFormat::Tsv:
        line = file;  // printable already: no tab or line break in it
        for (const QString &value : values)
            line += '\t' + TextEscape::escaped(value.toUtf8());
        return line + '\n';
    case TableFormat::Json:
        line = (m_rows++ == 0 ? "\n{\"file\":" : ",\n{\"file\":") + jsonString(file);
        for (size_t i = 0; i < tableFields().size() && i < size_t(values.size()); ++i) {
            const TagField field = tableFields()[i];
            const QString &value = values[qsizetype(i)];
            line += ",\"" + QByteArray(fieldName(field)) + "\":";
            line += field == TagField::Track ? (value.isEmpty() ? QByteArray("null") : value.toUtf8())
                                             : jsonString(value.toUtf8());
        }
        return line + '}';
    }
    return line;
}

QByteArray TableWriter::footer() const
{
    if (m_format != TableFormat::Json)
        return {};
    return m_rows ? "\n]\n" : "]\n";
}

TableFormat guessTableFormat(QByteArrayView bytes)
{
    if (bytes.startsWith(ByteOrderMark))
        bytes = bytes.sliced(ByteOrderMark.size());
    const QByteArrayView trimmed = bytes.trimmed();
    if (trimmed.startsWith('['))
        return TableFormat::Json;
    const qsizetype end = bytes.indexOf('\n');
    return bytes.first(end < 0 ? bytes.size() : end).contains('\t') ? TableFormat::Tsv : TableFormat::Csv;
}

TagTable readTagTable(QByteArrayView bytes, TableFormat format)
{
    if (bytes.startsWith(ByteOrderMark))
        bytes = bytes.sliced(ByteOrderMark.size());
    return format == TableFormat::Json ? readJson(bytes) : readDelimited(bytes, format);
}
