#include "tags/settings/IniText.h"

#include "tags/text/TextEscape.h"

#include <vector>

namespace {

QByteArray trimmedBlanks(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromUtf8(a).compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the text: where it lies, its ending, and what it says.
struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    qsizetype begin = 0;    // first byte
    qsizetype end = 0;      // one past the last byte before the line ending
    qsizetype next = 0;     // first byte of the following line
    QByteArray name;        // section or key, blanks trimmed
    qsizetype equals = -1;  // offset of "=" in an entry
    bool closed = true;     // a section header without "]" opens no section
};

std::vector<Line> linesOf(const QByteArray &text)
{
    std::vector<Line> lines;
    qsizetype begin = text.startsWith("\xef\xbb\xbf") ? 3 : 0;  // a byte order mark is no part of the first line
    while (begin < text.size()) {
        Line line;
        line.begin = begin;
        qsizetype newline = text.indexOf('\n', begin);
        line.next = newline < 0 ? text.size() : newline + 1;
        line.end = newline < 0 ? text.size() : newline;
        if (line.end > begin && text[line.end - 1] == '\r')
            --line.end;
        const QByteArray content = trimmedBlanks(text.mid(begin, line.end - begin));
        if (content.startsWith('[')) {
            const qsizetype close = content.indexOf(']');
            line.kind = Line::Section;
            line.name = close < 0 ? QByteArray() : trimmedBlanks(content.mid(1, close - 1));
            line.closed = close >= 0;
        } else if (!content.isEmpty() && content[0] != ';' && content[0] != '#') {
            const qsizetype equals = text.indexOf('=', begin);
            if (equals > begin && equals < line.end) {
                line.name = trimmedBlanks(text.mid(begin, equals - begin));
                if (!line.name.isEmpty()) {
                    line.kind = Line::Entry;
                    line.equals = equals;
                }
            }
        }
        lines.push_back(std::move(line));
        begin = lines.back().next;
    }
    return lines;
}

// Calls visit(line, inSection) for every line, inSection telling whether it lies in a section
// named section.
template <typename Visit>
void walk(const std::vector<Line> &lines, const QString &section, Visit visit)
{
    bool inSection = false;
    for (const Line &line : lines) {
        if (line.kind == Line::Section)
            inSection = line.closed && sameName(line.name, section);
        visit(line, inSection);
    }
}

}  // namespace

namespace IniText {

std::optional<QByteArray> value(const QByteArray &text, const QString &section, const QString &key)
{
    std::optional<QByteArray> found;
    walk(linesOf(text), section, [&](const Line &line, bool inSection) {
        if (!found && inSection && line.kind == Line::Entry && sameName(line.name, key))
            found = TextEscape::unescapeLenient(trimmedBlanks(text.mid(line.equals + 1, line.end - line.equals - 1)));
    });
    return found;
}

QByteArray withValue(const QByteArray &text, const QString &section, const QString &key,
                     const QByteArray &value)
{
    const std::vector<Line> lines = linesOf(text);
    QByteArray out = text.left(lines.empty() ? text.size() : lines.front().begin);
    bool stored = false;
    qsizetype insertAt = -1;     // in out: after the first matching section's last entry
    bool pastFirstSection = false;
    QByteArray lineEnd = "\n";  // the ending of the line there, for the new one
    walk(lines, section, [&](const Line &line, bool inSection) {
        const QByteArray ending = text.mid(line.end, line.next - line.end);
        if (inSection && line.kind == Line::Entry && sameName(line.name, key)) {
            if (!stored) {
                qsizetype valueAt = line.equals + 1;  // the blanks after "=" stay as they were
                while (valueAt < line.end && (text[valueAt] == ' ' || text[valueAt] == '\t'))
                    ++valueAt;
                out += text.mid(line.begin, valueAt - line.begin) + TextEscape::escaped(value, TextEscape::EdgeBlanks) + ending;
            }
            stored = true;  // a later entry of the key is dropped: it could only mislead
            return;
        }
        out += text.mid(line.begin, line.next - line.begin);
        pastFirstSection = pastFirstSection || (insertAt >= 0 && !inSection);
        if (inSection && !pastFirstSection && line.kind != Line::Other) {
            insertAt = out.size();
            if (ending.endsWith('\n'))
                lineEnd = ending;
        }
    });
    if (stored)
        return out;
    const QByteArray entry = key.toUtf8() + '=' + TextEscape::escaped(value, TextEscape::EdgeBlanks);
    if (insertAt >= 0) {
        // Only the last line can lack an ending (or have a lone "\r"); the new entry then needs one
        // before it.
        QByteArray before;
        if (insertAt == out.size() && !out.endsWith('\n'))
            before = out.endsWith('\r') ? QByteArray("\n") : lineEnd;
        return out.insert(insertAt, before + entry + lineEnd);
    }
    if (!lines.empty())
        out += out.endsWith('\n') ? "\n" : "\n\n";
    return out + '[' + section.toUtf8() + "]\n" + entry + '\n';
}

}  // namespace IniText
